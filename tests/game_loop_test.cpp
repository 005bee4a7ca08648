#include <gtest/gtest.h>

#include "shell/game.h"
#include "support/test_support.h"

TEST(GameLoop, EscapeInPlayFailsTheMissionAtTheEndOfTheFrame) {
    freshGame();
    startMission();
    beginPlay();
    EXPECT_EQ(game.missionResult, 0);
}
