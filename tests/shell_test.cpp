// The game loop end to end on the headless platform over the shell test data:
// title, briefing, play, final screens and the high score.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/platform.h"
#include "play/player.h"
#include "shell/game.h"
#include "shell/text.h"
#include "support/golden.h"

namespace {

using Lines = std::vector<std::string>;

const Lines titleWith(const std::string& highScore) {
    return {"0:Brastor",
            "1:<- Preview 3 ->",
            "2:by Tevmor",
            "4:Controls",
            "5:Arrows  - Move",
            "6:[z] - Fire",
            "7:[x] - Streamer (direct with left+right)",
            "9:High Score: " + highScore,
            "12:[Space] to Start [Escape] to Quit",
            "13:www.brastor.example.org"};
}

class Shell : public GameDataTest {
protected:
    void SetUp() override {
        GameDataTest::SetUp();
        useData("shell");
    }
    // Every screen continues with Space, except the title after `games`
    // games, which is left with Escape.
    void run(int games) {
        driver.onScreen = [this, games](ScreenDriver& d) {
            keyUp(scan::escape);
            const bool title = d.lastScreen()[0] == "Brastor";
            if (title && titles++ == games) keyDown(scan::escape);
            else typeSpace();
        };
        driver.install();
        EXPECT_EQ(runGame(1), 0);
        driver.uninstall();
    }
    std::vector<Lines> shown() const {
        std::vector<Lines> all;
        for (const auto& screen : driver.screens) all.push_back(shownLines(screen));
        return all;
    }
    ScreenDriver driver;
    int titles = 0;
};

TEST_F(Shell, FailedMissionsAndTheStrictHighScore) {
    // Three games of mission 1: scores 150, 150, 90, each failed by Escape.
    const int scores[] = {150, 150, 90};
    int game_ = 0;
    driver.onEvent = [&](ScreenDriver&, GameEvent event) {
        if (event == GameEvent::missionStart) game.score = scores[game_++];
    };
    driver.onFrame = [](ScreenDriver&) { keyDown(scan::escape); };
    run(3);

    const std::vector<Lines> expected = {
        titleWith("0"),
        {"0:Shell test mission", "2:Walk right, take the key,", "3:open the door."},
        {"0:Mission 1 Failed", "2:Final Score: 150", "4:New High Score!"},
        titleWith("150"),
        {"0:Shell test mission", "2:Walk right, take the key,", "3:open the door."},
        {"0:Mission 1 Failed", "2:Final Score: 150"},  // equal is not a new high score
        titleWith("150"),
        {"0:Shell test mission", "2:Walk right, take the key,", "3:open the door."},
        {"0:Mission 1 Failed", "2:Final Score: 90"},
        titleWith("150"),
    };
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(game.highScore, 150);
    EXPECT_EQ(driver.frames, 6);  // Escape pressed after each first frame fails the second
}

TEST_F(Shell, BothMissionsCompletedShowTheirTextsThenTheFinalScreen) {
    // Each mission is completed in its second frame; the score carries over.
    driver.onFrame = [](ScreenDriver& d) {
        if (d.frames % 2 == 1) {
            game.score += 100;
            return;
        }
        game.missionResult = missionCompleted;
    };
    run(1);
    Lines mission2;
    for (int i = 1; i <= 21; ++i) mission2.push_back(std::to_string(i - 1) + ":Line " + std::to_string(i));
    const std::vector<Lines> expected = {
        titleWith("0"),
        {"0:Shell test mission", "2:Walk right, take the key,", "3:open the door."},
        {"0:Mission one complete."},
        mission2,
        {"0:Error loading complete text..."},
        {"0:All Missions Completed!", "2:Final Score: 200", "3:New High Score!", "5:Thanks for playing!",
         "6:Check out www.brastor.example.org for further missions!"},
        titleWith("200"),
    };
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(game.missionNumber, 2);
}

TEST_F(Shell, EscapeStillHeldWhenTheFinalScreenIsDismissedEndsTheProgram) {
    driver.onFrame = [](ScreenDriver&) { keyDown(scan::escape); };
    driver.onScreen = [](ScreenDriver&) { typeSpace(); };
    driver.install();
    EXPECT_EQ(runGame(1), 0);
    driver.uninstall();
    ASSERT_EQ(driver.screens.size(), 4u);
    EXPECT_EQ(driver.screens[3][0], "Brastor");
    EXPECT_EQ(driver.frames, 2);
}

}  // namespace
