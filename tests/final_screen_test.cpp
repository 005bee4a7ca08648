// The final screen after both missions on the game's own baked data: it is
// drawn over mission 2's dimmed "complete.txt" box, whose lines must leave
// room for it instead of interleaving with it.
#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/platform.h"
#include "shell/game.h"
#include "support/golden.h"

namespace {

class FinalScreen : public GameDataTest {};

TEST_F(FinalScreen, AfterMissionTwoReadsCleanlyOverItsCompleteBox) {
    setDataFolder(BRASTOR_BINARY_DIR);
    ScreenDriver driver;
    driver.onEvent = [](ScreenDriver&, GameEvent event) {
        if (event == GameEvent::missionStart) game.messageFrames = 0;  // no message left by another test
    };
    driver.onFrame = [](ScreenDriver&) { game.missionResult = missionCompleted; };
    driver.onScreen = [](ScreenDriver& d) {
        if (d.lastScreen()[0] == "All Missions Completed!") {
            expectFrameMatchesGolden("final_after_mission2");
            requestQuit();
            return;
        }
        typeSpace();
    };
    driver.install();
    runGame(1);
    driver.uninstall();
    EXPECT_EQ(driver.frames, 2);  // one frame of each mission
}

}  // namespace
