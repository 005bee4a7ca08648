// The map checker's route search (checkRoutes) on small random maps: up to
// 40 x 20 cells of any map colour, any markers in any number (none, several
// starts), now and then a colour no table knows; mission 0, 1 or 2; routes
// bounded to a number of frames per input so that every input ends soon
// (small maps unbounded).
// Then the same map is played for real, enemies left out as the search
// leaves them, with keys (the gun and the beam among them) drawn from the
// input: no play may take a target the search proved out of reach, nor win a
// mission whose exit it proved out of reach.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "mapcheck/routes.h"
#include "platform/bmp_format.h"
#include "play/player.h"
#include "shell/game.h"
#include "world/catalogue.h"
#include "world/enemy_table.h"
#include "world/game_state.h"
#include "world/world.h"

namespace {

constexpr int maxWidth = 40, maxHeight = 20;
constexpr int framesPerInput = 300;
constexpr int unboundedCells = 16 * 10;  // maps up to this many cells are searched without a frame bound
constexpr int playedFrames = 900;  // frames of real play against the proofs

// Every colour the game's map loader knows: terrain, pickups, doors, the
// objectives, the start marker and the enemies.
constexpr int paletteSize = static_cast<int>(std::size(mapColours));
constexpr std::uint32_t empty = 0xFFFFFF;

// A 24-bit map picture from the input: width, height, then one byte a cell
// (empty cells most often, so that there is room to move).
std::vector<std::uint8_t> mapPicture(const std::uint8_t* data, std::size_t size) {
    const int width = 1 + data[0] % maxWidth, height = 1 + data[1] % maxHeight;
    std::vector<std::uint32_t> cells(static_cast<std::size_t>(width) * height, empty);
    for (std::size_t i = 0; i < cells.size() && 3 + i < size; ++i) {
        const int pick = data[3 + i] % (2 * paletteSize + 1);
        if (pick < paletteSize)
            cells[i] = std::uint32_t{mapColours[pick].r} << 16 | mapColours[pick].g << 8 | mapColours[pick].b;
        else if (pick == 2 * paletteSize)
            cells[i] = static_cast<std::uint32_t>(fuzzHash(data + 3 + i, 1) & 0xFFFFFF);
    }
    return encodeBmp24(width, height, [&](int x, int y) { return cells[static_cast<std::size_t>(y) * width + x]; });
}

// The keys of played frame f: four frames a byte from the input's tail, then
// a sequence seeded by the whole input.
std::uint8_t keysOf(int f, const std::uint8_t* tail, std::size_t tailSize, std::uint64_t& seed) {
    if (static_cast<std::size_t>(f / 4) < tailSize) return tail[f / 4];
    if (f % 4 == 0) seed = seed * 6364136223846793005u + 1442695040888963407u;
    return static_cast<std::uint8_t>(seed >> 56);
}

// Plays the map as the route search loads it and aborts on a play that takes
// a cell the search proved out of reach (its tile gone) or wins a mission
// whose exit it proved out of reach.
void playAgainstProofs(const std::string& file, int mission, const RouteResult& proofs, const std::string& report,
                       const std::uint8_t* tail, std::size_t tailSize, std::uint64_t seed) {
    if (proofs.provenOut.empty() && !proofs.exitProvenOut) return;
    loadRouteMap(file, mission);
    std::vector<std::uint8_t> tiles;
    for (const auto& [x, y] : proofs.provenOut) tiles.push_back(mapCell(x, y).tile);
    for (int f = 0; f < playedFrames && game.missionResult == 0; ++f) {
        const std::uint8_t k = keysOf(f, tail, tailSize, seed);
        const PlayerInput input{(k & 1) != 0, (k & 2) != 0, (k & 4) != 0, (k & 8) != 0, (k & 32) != 0, (k & 16) != 0};
        playFrame(FrameInput{input, false, false}, Drawing::off);
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            const auto& [x, y] = proofs.provenOut[i];
            // The exit beam, hung down the start column, covers what it meets.
            if (mapCell(x, y).tile == tiles[i] || mapCell(x, y).tile == tileCode::exitBeam) continue;
            std::fprintf(stderr, "%sframe %d took the target at (%d, %d), proven out of reach\n", report.c_str(), f + 1, x,
                         y);
            std::abort();
        }
    }
    if (proofs.exitProvenOut && game.missionResult == missionCompleted) {
        std::fprintf(stderr, "%sthe mission was won, its exit proven out of reach\n", report.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzUseDataFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::vector<std::uint8_t> picture = mapPicture(data, size);
    fuzzWriteDataFile("routes/map.bmp", picture.data(), picture.size());
    RouteOptions options;
    options.mission = data[2] % 3;
    options.strict = data[2] & 4;
    // Small maps are searched without a bound, so that every kind of proof is
    // put to the played test below.
    const int cells = (1 + data[0] % maxWidth) * (1 + data[1] % maxHeight);
    options.maxFrames = cells <= unboundedCells ? 0 : framesPerInput;
    options.enemySeeds = 2;  // the enemy replays and the fitting run, on few seeds to keep the pace
    std::ostringstream report;
    const RouteResult result = checkRoutes(fuzzDataPath("routes/map.bmp"), options, report);
    // Whatever the map, the search ends with a report, and every route it
    // plays for real follows the one it searched ("internal:" says one left it).
    const std::string text = report.str();
    if (text.find("routes from the start") == std::string::npos ||
        text.find("internal:") != std::string::npos) {
        std::fputs(text.c_str(), stderr);
        std::abort();
    }
    const std::size_t used = std::min(size, 3 + static_cast<std::size_t>(cells));
    playAgainstProofs(fuzzDataPath("routes/map.bmp"), options.mission, result, text, data + used, size - used,
                      fuzzHash(data, size));
    return 0;
}
