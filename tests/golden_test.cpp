// Reference pictures of the shell's screens, drawn by the real game on the
// headless platform over the shell test data.
#include <cstdlib>
#include <cstring>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/platform.h"
#include "play/player.h"
#include "shell/game.h"
#include "support/golden.h"

namespace {

class Golden : public GameDataTest {};

TEST_F(Golden, TitleBriefingAndHeadUpDisplay) {
    useData("shell");
    ScreenDriver driver;
    driver.onEvent = [](ScreenDriver&, GameEvent event) {
        if (event != GameEvent::missionStart) return;
        game.score = 1234;
        game.keysHeld[0] = game.keysHeld[1] = 1;
        player.diamonds = 7;
        player.power = 2;
        std::strcpy(game.messageText, "Hostage Rescued! 2 more to find!");
        game.messageFrames = 10;
    };
    driver.onScreen = [](ScreenDriver& d) {
        keyUp(scan::escape);
        switch (d.screens.size()) {
        case 1: expectFrameMatchesGolden("title"); break;
        case 2: expectFrameMatchesGolden("briefing"); break;
        case 4: keyDown(scan::escape); return;  // the second title ends the run
        }
        typeSpace();
    };
    driver.onFrame = [](ScreenDriver& d) {
        if (d.frames == 1) expectFrameMatchesGolden("hud");
        keyDown(scan::escape);
    };
    driver.install();
    runGame(1);
    driver.uninstall();
    EXPECT_EQ(driver.frames, 2);
    EXPECT_EQ(driver.screens.size(), 4u);
}

TEST_F(Golden, AMismatchIsReportedWithItsPixels) {
    const char* update = std::getenv("BRASTOR_UPDATE_GOLDEN");
    if (update && std::strcmp(update, "1") == 0) GTEST_SKIP() << "references are being rewritten";
    setColours(std::nullopt, 0xFF123456u);
    clearScreen();
    EXPECT_NONFATAL_FAILURE(expectFrameMatchesGolden("title"), "pixel(s) differ");
    EXPECT_NONFATAL_FAILURE(expectFrameMatchesGolden("no-such-reference"), "cannot open");
}

}  // namespace
