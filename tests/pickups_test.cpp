// Pickups, keys, hazards, power and the two mission objectives, on small maps
// loaded and drawn by the real world code, mostly through whole frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "play/pickups.h"
#include "play/player.h"
#include "shell/game.h"
#include "support/map_builder.h"
#include "support/test_support.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

class Pickups : public ::testing::Test {
protected:
    void SetUp() override {
        oldData = dataFolder();
        folder = testTempFolder();
        setDataFolder(folder.c_str());
        headlessReset();
        freshGame();
        createPictures();
        // Every text box (the objective's "update.txt") is dismissed at once.
        headlessSetTickHook([](void*) { pushTypedKey(' '); }, nullptr);
    }
    void TearDown() override {
        headlessReset();
        setDataFolder(oldData.c_str());
    }

    // The mission as the mission loop starts it. The player stands on the
    // marker's cell and the one below it, on the floor two rows down.
    void play(int mission, const std::vector<std::string>& rows) {
        writeMission(folder, mission, rows);
        game.missionNumber = mission;
        startMission();
        beginPlay();
    }
    // The frame's contact list and its contact pass, without the rest of the frame.
    void contactFrame() {
        choosePlayerBox();
        drawBackground(view.cellX, view.cellY, view.offsetX, view.offsetY);
        computeViewPosition();
        contactPass();
    }

    std::string oldData;
    std::string folder;
};

}  // namespace

TEST_F(Pickups, DiamondsCountEachAndCrystalsWaitForMissingPower) {
    play(1, {"........",
             "..Pd....",
             "..dc....",
             "########"});
    contactFrame();
    EXPECT_EQ(player.onGround, 1);  // the solid entries set the collision flags
    EXPECT_EQ(game.score, 20);
    EXPECT_EQ(player.diamonds, 2);
    EXPECT_EQ(mapCell(3, 1).tile, 0);
    EXPECT_EQ(mapCell(2, 2).tile, 0);
    EXPECT_EQ(mapCell(3, 2).tile, 19);  // full power: the crystal stays
    EXPECT_EQ(player.power, 4);

    player.power = 3;
    contactFrame();
    EXPECT_EQ(player.power, 4);
    EXPECT_EQ(mapCell(3, 2).tile, 0);
    EXPECT_EQ(game.score, 40);
    contactFrame();  // nothing is left to take
    EXPECT_EQ(game.score, 40);
    EXPECT_EQ(player.diamonds, 2);
}

TEST_F(Pickups, AKeyOpensEveryDoorOfItsLetterAlsoOffScreen) {
    std::string row1(64, '.'), row2(64, '#');
    row1[2] = 'P';
    row1[3] = 'k';
    row1[60] = 'l';
    row1[62] = 'L';
    play(1, {std::string(64, '.'), row1, std::string(64, '.'), row2});
    ASSERT_GE(solidIndexAt(60, 1), 0);
    contactFrame();
    EXPECT_EQ(game.keysHeld[0], 1);
    EXPECT_EQ(game.keysHeld[1], 0);
    EXPECT_EQ(game.score, 10);
    EXPECT_EQ(mapCell(3, 1).tile, 0);
    EXPECT_EQ(mapCell(60, 1).tile, 64);  // still drawn
    EXPECT_EQ(mapCell(60, 1).block, 0);
    EXPECT_EQ(solidIndexAt(60, 1), -1);  // shots pass now
    EXPECT_EQ(mapCell(62, 1).block, 1);
    EXPECT_GE(solidIndexAt(62, 1), 0);
}

TEST_F(Pickups, HazardsCostOnePowerPerHundredContacts) {
    play(1, {"........",
             "..Ps....",
             "..s.....",
             "########"});
    mapCell(2, 2).tile = 0;  // one hazard first
    for (int f = 0; f < 99; ++f) contactFrame();
    EXPECT_EQ(player.power, 4);
    EXPECT_EQ(player.hazardTicks, 99);
    contactFrame();
    EXPECT_EQ(player.power, 3);
    EXPECT_EQ(player.hazardTicks, 0);
    mapCell(2, 2).tile = 25;  // two at once: twice as fast
    for (int f = 0; f < 50; ++f) contactFrame();
    EXPECT_EQ(player.power, 2);
    EXPECT_EQ(mapCell(3, 1).tile, 25);  // hazards stay
}

TEST_F(Pickups, HostagesLeaveAMessageUntilTheLastOne) {
    std::string row1(40, '.');
    row1[2] = 'P';
    row1[3] = 'h';
    row1[36] = 'h';
    play(2, {std::string(40, '.'), row1, std::string(40, '.'), std::string(40, '#')});
    contactFrame();
    EXPECT_EQ(game.score, 10);
    EXPECT_STREQ(game.messageText, "Hostage Rescued! 1 more to find!");
    EXPECT_EQ(game.messageFrames, 600);

    game.messageText[0] = '\0';
    game.messageFrames = 0;
    mapCell(3, 1).tile = 70;
    mapCell(36, 1).tile = 0;
    contactFrame();
    EXPECT_EQ(game.score, 20);
    EXPECT_STREQ(game.messageText, "");
    EXPECT_EQ(game.messageFrames, 0);
}

TEST_F(Pickups, PowerZeroSurvivesAndTheNextLossFails) {
    player.power = 0;
    powerCheck();
    EXPECT_EQ(game.missionResult, 0);
    player.power = -1;
    powerCheck();
    EXPECT_EQ(player.power, 0);
    EXPECT_EQ(game.missionResult, missionFailed);
}

TEST_F(Pickups, MissionOneIsWonByBreakingTheGeneratorsThenTakingTheBeam) {
    play(1, {"................",
             "................",
             "..P..G....B.....",
             "..........w.....",
             "################"});
    player.diamonds = 5;
    keyDown(scan::x);
    playFrame();
    playFrame();
    EXPECT_EQ(mapCell(5, 2).block, -1);
    EXPECT_EQ(game.objectiveMet, 0);
    playFrame();  // third beam frame: the generator goes, the objective is met
    EXPECT_EQ(mapCell(5, 2).tile, 0);
    EXPECT_EQ(game.objectiveMet, 1);
    EXPECT_EQ(mapCell(10, 2).tile, 0);  // barrier and flow cleared
    EXPECT_EQ(mapCell(10, 2).block, 0);
    EXPECT_EQ(mapCell(10, 3).tile, 0);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(mapCell(2, y).tile, 46) << y;
    EXPECT_EQ(mapCell(2, 4).tile, 31);
    EXPECT_EQ(game.missionResult, 0);
    EXPECT_EQ(game.score, 0);
    keyUp(scan::x);
    // The player stands in the beam's column and touches two of its cells.
    EXPECT_EQ(playFrame(), missionCompleted);
    EXPECT_EQ(game.score, 200);
}

TEST_F(Pickups, MissionTwoIsWonByRescuingEveryHostage) {
    play(2, {"........",
             "........",
             "..Ph....",
             "........",
             "########"});
    playFrame();
    EXPECT_EQ(game.objectiveMet, 1);
    EXPECT_EQ(game.score, 10);
    EXPECT_EQ(game.missionResult, 0);
    EXPECT_EQ(playFrame(), missionCompleted);
    EXPECT_EQ(game.score, 210);

    // Missions without an objective never meet one.
    game.missionNumber = 3;
    game.objectiveMet = 0;
    EXPECT_FALSE(objectiveCheck());
    EXPECT_EQ(game.objectiveMet, 0);
}
