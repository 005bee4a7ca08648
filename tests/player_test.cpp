#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "play/player.h"
#include "shell/game.h"
#include "support/map_builder.h"
#include "support/test_support.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

// A mission 1 on a map built from rows, started and ready for its first frame,
// with no key held. The objective counts as met so that a map without
// generators does not stop the frame for the "update.txt" box.
struct Level {
    std::string savedFolder = dataFolder();
    explicit Level(const std::vector<std::string>& rows) {
        freshGame();
        clearKeys();
        const std::string folder = testTempFolder();
        setDataFolder(folder.c_str());
        writeMission(folder, 1, rows);
        startMission();
        beginPlay();
        game.objectiveMet = 1;
    }
    ~Level() {
        clearKeys();
        setDataFolder(savedFolder.c_str());
    }
};

// The player's world position (top-left of the figure).
int playerWorldX() { return 32 * view.cellX - view.offsetX + playerScreenX; }
int playerWorldY() { return 32 * view.cellY + view.offsetY + playerScreenY; }

void frames(int n) {
    for (int i = 0; i < n; ++i) playFrame();
}

void hold(std::initializer_list<int> keys) {
    clearKeys();
    for (int k : keys) keyDown(k);
}

// The figure's pictures, each filled with its own slot number in the blue byte,
// for the test's lifetime.
struct NumberedFigures {
    Image* saved[15] = {};
    NumberedFigures() {
        static Image* numbered[15] = {};
        for (int slot = 1; slot <= 14; ++slot) {
            if (!numbered[slot]) numbered[slot] = createImage(52, 64, 0xFF000000u | static_cast<unsigned>(slot));
            saved[slot] = pictures[slot];
            pictures[slot] = numbered[slot];
        }
    }
    ~NumberedFigures() {
        for (int slot = 1; slot <= 14; ++slot) pictures[slot] = saved[slot];
    }
};
int drawnFigure() { return static_cast<int>(pixelAt(playerScreenX + 20, playerScreenY + 40) & 0xFFFFFFu); }

// Cell (5, 11) is the start: the figure covers columns 5 and 6, rows 11 and 12.
const std::vector<std::string> openFloor = {
    "................................",  // 0
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",  // 5
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",  // 10
    ".....P..........................",
    "................................",
    "################################",
    "................................",
    "................................",
};

std::vector<std::string> withRow(std::vector<std::string> rows, int row, const std::string& text) {
    rows[row] = text;
    return rows;
}

}  // namespace

TEST(Player, StartsOnTheMarkerFacingRightAndStandsStill) {
    Level level(openFloor);
    NumberedFigures figures;
    EXPECT_EQ(player.facing, 1);
    EXPECT_EQ(playerWorldX(), 32 * 5 - 32);
    EXPECT_EQ(playerWorldY(), 32 * 11 - 32);
    frames(20);
    EXPECT_EQ(playerWorldX(), 32 * 5 - 32);
    EXPECT_EQ(playerWorldY(), 32 * 11 - 32);
    EXPECT_EQ(player.onGround, 1);
    EXPECT_EQ(player.walkFrame, 2);  // rest pose
    EXPECT_EQ(drawnFigure(), 3);     // facing right, pose 2
}

TEST(Player, JumpClimbs112PixelsThenFallsTwoPerFrameBackToTheFloor) {
    Level level(openFloor);
    const int floorY = playerWorldY();
    hold({scan::up});
    playFrame();
    EXPECT_EQ(player.jumpLeft, 111);
    EXPECT_EQ(playerWorldY(), floorY - 2);  // rises on the take-off frame
    clearKeys();
    frames(55);
    EXPECT_EQ(playerWorldY(), floorY - 112);
    playFrame();  // the 57th frame: last rise and first fall
    EXPECT_EQ(player.jumpLeft, 0);
    EXPECT_EQ(playerWorldY(), floorY - 112);
    for (int k = 1; k <= 56; ++k) {
        playFrame();
        ASSERT_EQ(playerWorldY(), floorY - 112 + 2 * k) << k;
    }
    frames(5);
    EXPECT_EQ(playerWorldY(), floorY);  // lands exactly on the floor
    EXPECT_EQ(player.onGround, 1);
}

TEST(Player, CeilingCutsTheRiseWithNoGapAndBlocksTakeOff) {
    // Two free cells above the head: the rise stops after 64 pixels.
    {
        Level level(withRow(openFloor, 8, "################################"));
        const int floorY = playerWorldY();
        hold({scan::up});
        playFrame();
        clearKeys();
        int highest = playerWorldY();
        int frame = 1;
        while (playerWorldY() <= highest && frame < 100) {
            highest = std::min(highest, playerWorldY());
            playFrame();
            ++frame;
        }
        EXPECT_EQ(floorY - highest, 64);  // the head reached the ceiling's bottom row
        EXPECT_EQ(frame, 33);             // falling in the frame that found the ceiling
        EXPECT_EQ(playerWorldY(), highest + 2);
        EXPECT_EQ(player.jumpLeft, 0);
    }
    // A head already touching a ceiling cannot take off.
    {
        Level level(withRow(openFloor, 10, "################################"));
        const View before = view;
        hold({scan::up});
        frames(10);
        EXPECT_EQ(player.blockedAbove, 1);
        EXPECT_EQ(player.jumpLeft, 0);
        EXPECT_EQ(view.cellY, before.cellY);
        EXPECT_EQ(view.offsetY, before.offsetY);
    }
}

TEST(Player, WallsStopWalkingExactlyAndLeaveTheOffsetsAlone) {
    auto rows = openFloor;
    rows[11] = "....#P.#........................";
    rows[12] = "....#..#........................";
    Level level(rows);
    const int startX = playerWorldX();
    hold({scan::left});
    frames(5);
    EXPECT_EQ(player.blockedLeft, 1);
    EXPECT_EQ(view.offsetX, 0);
    EXPECT_EQ(view.cellX, 5 - 10);
    EXPECT_EQ(player.facing, -2);
    EXPECT_EQ(player.walkTick, 0) << "a blocked step does not animate";
    hold({scan::right});
    frames(20);
    // Right edge of the figure (x + 51) ends on the last pixel before the wall.
    EXPECT_EQ(playerWorldX() + 51, 32 * 7 - 32 - 1);
    EXPECT_EQ(playerWorldX(), startX + 12);
    EXPECT_EQ(view.offsetX, -12);
    EXPECT_EQ(player.walkTick, 6);
}

TEST(Player, SteppingOffALedgeFallsFromTheNextFrameAndUpDoesNothingInTheAir) {
    // The floor ends with column 6; the figure stands on it until its left
    // edge has passed the floor's last pixel.
    auto rows = openFloor;
    rows[13] = "#######.........................";
    Level level(rows);
    const int floorY = playerWorldY();
    hold({scan::right});
    frames(31);
    EXPECT_EQ(playerWorldY(), floorY);
    playFrame();  // the 32nd step puts the left edge just past the ledge
    EXPECT_EQ(playerWorldX(), 32 * 7 - 32);
    EXPECT_EQ(playerWorldY(), floorY);
    hold({scan::up});
    for (int k = 1; k <= 200; ++k) {
        playFrame();
        ASSERT_EQ(playerWorldY(), floorY + 2 * k) << k;  // past the map's bottom too
        ASSERT_EQ(player.jumpLeft, 0);
    }
}

TEST(Player, LeftAndRightTogetherCancelButAnimateTwiceAndFaceRight) {
    Level level(openFloor);
    NumberedFigures figures;
    const View before = view;
    hold({scan::left, scan::right});
    frames(5);
    EXPECT_EQ(view.offsetX, before.offsetX);
    EXPECT_EQ(view.cellX, before.cellX);
    EXPECT_EQ(player.walkTick, 10);
    EXPECT_EQ(player.walkFrame, 0);
    playFrame();
    EXPECT_EQ(player.walkFrame, 1);
    EXPECT_EQ(player.walkTick, 1);
    EXPECT_EQ(player.facing, 2);
    EXPECT_EQ(drawnFigure(), 2);  // still walking: no rest pose
}

TEST(Player, DownCrouchesOnTheGroundAndTurnsWithoutMoving) {
    Level level(openFloor);
    NumberedFigures figures;
    const View before = view;
    hold({scan::down, scan::left});
    frames(3);
    EXPECT_EQ(player.crouching, 1);
    EXPECT_EQ(player.facing, -2);
    EXPECT_EQ(view.offsetX, before.offsetX);
    EXPECT_EQ(drawnFigure(), 14);
    playFrame();
    EXPECT_EQ(playerBox.dy, playerCrouchingBox.dy);  // chosen from the previous frame
    hold({scan::down, scan::right});
    playFrame();
    EXPECT_EQ(player.facing, 2);
    EXPECT_EQ(view.offsetX, before.offsetX);
    EXPECT_EQ(drawnFigure(), 13);
    EXPECT_EQ(player.walkTick, 0);

    // Down and Up together: the player stands and does not jump.
    hold({scan::down, scan::up});
    frames(3);
    EXPECT_EQ(player.crouching, 0);
    EXPECT_EQ(player.jumpLeft, 0);
    EXPECT_EQ(view.offsetY, before.offsetY);
    EXPECT_EQ(view.cellY, before.cellY);
    EXPECT_EQ(drawnFigure(), 1 + player.walkFrame);
    clearKeys();
    playFrame();
    EXPECT_EQ(playerBox.dy, playerStandingBox.dy);
}

TEST(Player, DownInTheAirDoesNothing) {
    Level level(openFloor);
    hold({scan::up});
    playFrame();
    hold({scan::down, scan::left});
    const int x = playerWorldX();
    frames(10);
    EXPECT_EQ(player.crouching, 0);
    EXPECT_EQ(playerWorldX(), x - 20);  // walks in the air
    EXPECT_EQ(player.walkTick, 0);      // without animating
}

TEST(Player, WalkFrameChangesEvery11StepsAndRestsOnPose2Or5) {
    Level level(openFloor);
    NumberedFigures figures;
    playFrame();
    EXPECT_EQ(player.walkFrame, 2);  // frame 0 at program start rests on 2
    hold({scan::right});
    frames(10);
    EXPECT_EQ(player.walkFrame, 2);
    EXPECT_EQ(player.walkTick, 10);
    playFrame();
    EXPECT_EQ(player.walkFrame, 3);
    EXPECT_EQ(player.walkTick, 0);
    EXPECT_EQ(drawnFigure(), 4);
    clearKeys();
    playFrame();
    EXPECT_EQ(player.walkFrame, 5);
    EXPECT_EQ(drawnFigure(), 6);
    hold({scan::left});
    frames(11);
    EXPECT_EQ(player.walkFrame, 0);  // wraps from 5
    EXPECT_EQ(drawnFigure(), 7);
    frames(11);
    EXPECT_EQ(player.walkFrame, 1);
    clearKeys();
    playFrame();
    EXPECT_EQ(player.walkFrame, 2);
    EXPECT_EQ(drawnFigure(), 9);  // facing left, pose 2
}

TEST(Player, LeftAndRightSteerTheStreamerInsteadOfWalking) {
    Level level(openFloor);
    hold({scan::x});
    playFrame();
    EXPECT_EQ(player.streamerOn, 1);
    EXPECT_EQ(player.streamerAngle, 0);
    const View before = view;
    hold({scan::x, scan::left});
    playFrame();
    EXPECT_EQ(player.streamerAngle, 358);  // 0 wraps to 360 before the turn
    EXPECT_EQ(player.facing, 1);
    EXPECT_EQ(view.offsetX, before.offsetX);
    hold({scan::x, scan::right});
    frames(46);
    EXPECT_EQ(player.streamerAngle, 90);
    EXPECT_EQ(player.facing, 1);
    playFrame();
    EXPECT_EQ(player.streamerAngle, 92);
    EXPECT_EQ(player.facing, -1);
    EXPECT_EQ(view.offsetX, before.offsetX);
}
