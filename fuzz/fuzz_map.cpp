// loadLevelMap on any "map.bmp", then the mission start and a few frames of
// play with keys drawn from the input, through the real game functions.
#include <cstdlib>

#include "fuzz_files.h"
#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "shell/game.h"
#include "world/world.h"

namespace {
constexpr int framesPerInput = 8;
constexpr int playKeys[] = {scan::left, scan::right, scan::up, scan::down, scan::z, scan::x};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzStartGame();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzWriteDataFile("level1/map.bmp", data, size);
    fuzzClearInput();
    seedRandom(1);
    resetGameState();
    game.missionNumber = 1;
    startMission();
    if (mapWidth < 0 || mapWidth > gridSize || mapHeight < 0 || mapHeight > gridSize) std::abort();
    beginPlay();

    FuzzRandom keys{fuzzHash(data, size)};
    for (int frame = 0; frame < framesPerInput && game.missionResult == 0; ++frame) {
        const std::uint32_t bits = keys.next();
        for (std::size_t k = 0; k < std::size(playKeys); ++k) {
            if (bits >> k & 1)
                keyDown(playKeys[k]);
            else
                keyUp(playKeys[k]);
        }
        // Escape ends the mission at once, so it is held only now and then.
        if ((bits >> 8 & 63) == 0) keyDown(scan::escape);
        playFrame(sampleFrameInput(), Drawing::on);
        sleepMs(15);
    }
    clearKeys();
    return 0;
}
