// The map checker's route search (checkRoutes) on small random maps: up to
// 40 x 20 cells of any map colour, any markers in any number (none, several
// starts), now and then a colour no table knows; mission 0, 1 or 2; routes
// bounded to a number of frames per input so that every input ends soon.
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
#include "world/catalogue.h"

namespace {

constexpr int maxWidth = 40, maxHeight = 20;
constexpr int framesPerInput = 300;

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
    options.maxFrames = framesPerInput;
    std::ostringstream report;
    const RouteResult result = checkRoutes(fuzzDataPath("routes/map.bmp"), options, report);
    // Whatever the map, the search ends with a report, and every route it
    // plays for real follows the one it searched ("internal:" says one left it).
    const std::string text = report.str();
    if (result.errors < 0 || result.warnings < 0 || text.find("routes from the start") == std::string::npos ||
        text.find("internal:") != std::string::npos) {
        std::fputs(text.c_str(), stderr);
        std::abort();
    }
    return 0;
}
