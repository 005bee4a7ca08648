// loadMissionText on any "mission.txt", then the text box and the title
// screen that draw its lines (a Space typed at every tick closes them).
#include <cstdlib>

#include "fuzz_files.h"
#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "shell/game.h"
#include "shell/text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzStartGame();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzWriteDataFile("level1/mission.txt", data, size);
    fuzzClearInput();
    game.missionNumber = 1;
    loadMissionText("mission.txt");
    if (!showTextBox()) std::abort();
    if (!showTitleScreen()) std::abort();
    return 0;
}
