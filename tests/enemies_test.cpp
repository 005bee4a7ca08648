// Enemy rules on small maps loaded by the real loader: turning, firing,
// the random numbers they draw, and hits by player shots.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/platform.h"
#include "play/enemies.h"
#include "play/particles.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "support/map_builder.h"
#include "support/test_support.h"
#include "world/world.h"

namespace {

class Enemies : public ::testing::Test {
protected:
    void SetUp() override {
        oldData = dataFolder();
        folder = testTempFolder();
        setDataFolder(folder.c_str());
        freshGame();
        clearKeys();
    }
    void TearDown() override { setDataFolder(oldData.c_str()); }

    void load(const std::vector<std::string>& rows) {
        writeMission(folder, 1, rows);
        resetEnemies();
        loadLevelMap(1);
    }

    std::string oldData;
    std::string folder;
};

// `frames` frames of enemy i acting off the screen (no firing, no random numbers).
void run(int i, int frames) {
    for (int f = 0; f < frames; ++f) updateEnemy(i, -1000, -1000);
}

int activeShots(const Shot (&table)[shotCount]) {
    int n = 0;
    for (const Shot& s : table) n += s.active;
    return n;
}

// Random numbers drawn by `action`, counted by replaying the seeded sequence.
template <class F>
int randomDraws(F action) {
    seedRandom(99);
    action();
    const double next = randomReal();
    seedRandom(99);
    for (int n = 0; n < 64; ++n)
        if (randomReal() == next) return n;
    return -1;
}

// The cells an enemy passes through, in order, over `frames` frames.
std::vector<std::pair<int, int>> path(int i, int frames) {
    std::vector<std::pair<int, int>> cells{{enemies[i].cellX, enemies[i].cellY}};
    for (int f = 0; f < frames; ++f) {
        updateEnemy(i, -1000, -1000);
        const std::pair<int, int> here{enemies[i].cellX, enemies[i].cellY};
        if (here != cells.back()) cells.push_back(here);
    }
    return cells;
}

}  // namespace

TEST_F(Enemies, WalkerTurnsAtWallsShowingItsDirection) {
    load({"........",
          "#.W.#...",
          "########"});
    Enemy& w = enemies[0];
    ASSERT_EQ(w.type, enemyType::walker);
    ASSERT_EQ(w.cellX, 2);
    run(0, 64);  // 32 actions: one cell to the left
    EXPECT_EQ(w.cellX, 1);
    EXPECT_EQ(w.posX, 32);
    EXPECT_EQ(w.picture, 20);
    run(0, 1);  // wall ahead: turns on this action and steps right
    EXPECT_EQ(w.dirX, 1);
    EXPECT_EQ(w.picture, 21);
    EXPECT_EQ(w.posX, 33);
    run(0, 127);
    EXPECT_EQ(w.cellX, 3);
    run(0, 2);
    EXPECT_EQ(w.dirX, -1);
    EXPECT_EQ(w.picture, 20);
    for (int f = 0; f < 2000; ++f) {
        updateEnemy(0, -1000, -1000);
        ASSERT_GE(w.posX, 32);
        ASSERT_LE(w.posX, 96);
        ASSERT_EQ(w.posY, 0);
        ASSERT_EQ(w.picture, w.dirX == 1 ? 21 : 20);
    }
}

TEST_F(Enemies, WalkerTurnsAtALedgeWhereAFlyerFliesOn) {
    load({"........",
          "...W....",
          "..###...",
          "........",
          "...F....",
          "..###..."});
    // Markers are read bottom row first: the flyer is entry 0.
    const int fi = 0, wi = 1;
    Enemy& flyer = enemies[fi];
    ASSERT_EQ(enemies[wi].type, enemyType::walker);
    ASSERT_EQ(flyer.type, enemyType::flyer);
    EXPECT_EQ(path(wi, 64 * 4 + 1),
              (std::vector<std::pair<int, int>>{{3, 1}, {2, 1}, {3, 1}, {4, 1}, {3, 1}}));
    EXPECT_EQ(path(fi, 64 * 3 + 1),
              (std::vector<std::pair<int, int>>{{3, 4}, {2, 4}, {1, 4}, {0, 4}}));
    // The grid's edge is closed: the flyer turns there instead of leaving it.
    run(fi, 2);
    EXPECT_EQ(flyer.dirX, 1);
}

TEST_F(Enemies, MarkersFacingAWallTurnOnTheirFirstAction) {
    load({"#W..#F..",
          "########",
          "#N......",
          "########"});
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const int x = enemies[i].posX;
        run(i, 1);
        EXPECT_EQ(enemies[i].dirX, 1);
        EXPECT_EQ(enemies[i].posX, x + 1);
    }
}

TEST_F(Enemies, TurretFacesByItsLeftCellAndNeverMoves) {
    load({"pT....T.",
          "########"});
    Enemy& right = enemies[0];
    Enemy& left = enemies[1];
    EXPECT_EQ(right.dirX, 1);
    EXPECT_EQ(right.picture, 23);
    EXPECT_EQ(left.dirX, -1);
    EXPECT_EQ(left.picture, 24);
    const int x = right.posX;
    run(0, 300);
    EXPECT_EQ(right.posX, x);
    EXPECT_EQ(right.stepX, 0);

    right.fireThreshold = -1;  // every test fires
    right.tick = 0;
    updateEnemy(0, 100, 100);
    ASSERT_EQ(activeShots(enemyShots), 1);
    EXPECT_EQ(enemyShots[0].dx, 2);
    EXPECT_EQ(enemyShots[0].dy, 0);
    EXPECT_EQ(enemyShots[0].kind, 0);
    EXPECT_EQ(enemyShots[0].x, x - 18);
    EXPECT_EQ(enemyShots[0].y, right.posY + 10);
}

TEST_F(Enemies, SnakeFollowsARingClockwiseAndTurnsOnlyOncePerDecision) {
    load({"########",
          "#S...###",
          "#.##.###",
          "#....###",
          "########"});
    ASSERT_EQ(enemies[0].type, enemyType::snake);
    EXPECT_EQ(path(0, 64 * 11 + 1), (std::vector<std::pair<int, int>>{
                                          {1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}, {3, 3},
                                          {2, 3}, {1, 3}, {1, 2}, {1, 1}, {2, 1}}));
    EXPECT_EQ(enemies[0].turnStep, 1);

    // Moving right along the bottom side: at the corner both the way ahead and
    // the way down are closed; it turns once and crawls into the wall below.
    load({"########",
          "#....###",
          "#.##.###",
          "#..S.###",
          "########"});
    EXPECT_EQ(path(0, 64 * 2 + 1), (std::vector<std::pair<int, int>>{{3, 3}, {4, 3}, {4, 4}}));
}

TEST_F(Enemies, SwanWalksWithAlternatingFramesAndCannotDie) {
    load({"........",
          "#...N...",
          "########"});
    Enemy& s = enemies[0];
    ASSERT_EQ(s.type, enemyType::swan);
    std::vector<int> pictures;
    for (int action = 0; action < 40; ++action) {
        run(0, 2);
        pictures.push_back(s.picture);
    }
    EXPECT_EQ(s.hitPoints, 1000);
    // A new walk frame on actions 1, 9, 17, 25 and 33 (every 8 pixels).
    EXPECT_EQ(pictures[0], 50);
    EXPECT_EQ(pictures[7], 50);
    EXPECT_EQ(pictures[8], 51);
    EXPECT_EQ(pictures[16], 50);
    EXPECT_EQ(pictures[24], 51);
    EXPECT_EQ(pictures[32], 50);
    // Walking right after the wall: pictures 52 and 53.
    run(0, 64 * 3);
    ASSERT_EQ(s.dirX, 1);
    EXPECT_GE(s.picture, 52);
    EXPECT_LE(s.picture, 53);
}

TEST_F(Enemies, FiringNeedsTheReferencePointInsideTheScreen) {
    load({"........",
          "...W....",
          "########"});
    enemies[0].fireThreshold = 2000;  // never fires: only the random numbers are watched
    struct Case {
        int sx, sy, draws;
    };
    for (Case c : {Case{0, 100, 0}, Case{1, 100, 1}, Case{639, 100, 1}, Case{640, 100, 0},
                   Case{100, 0, 0}, Case{100, 1, 1}, Case{100, 479, 1}, Case{100, 480, 0},
                   Case{-5, -5, 0}}) {
        SCOPED_TRACE(c.sx * 1000 + c.sy);
        enemies[0].tick = 0;
        EXPECT_EQ(randomDraws([&] { updateEnemy(0, c.sx, c.sy); }), c.draws);
        // The frame in between does nothing, not even a random number.
        EXPECT_EQ(randomDraws([&] { updateEnemy(0, c.sx, c.sy); }), 0);
    }
    // Swans take their random number too, and never fire.
    load({"........",
          "...N....",
          "########"});
    EXPECT_EQ(randomDraws([] { updateEnemy(0, 100, 100); }), 1);
    enemies[0].fireThreshold = -1;
    enemies[0].tick = 0;
    updateEnemy(0, 100, 100);
    EXPECT_EQ(activeShots(enemyShots), 0);
}

TEST_F(Enemies, SnakesFireIntoEveryOpenSideAndFlyersBombOnlyOverOpenCells) {
    load({"........",
          "..S.....",
          "........",
          "########",
          ".#S#....",
          ".###F...",
          "....#..."});
    // File order, bottom row first: the flyer at (4, 5), the walled snake at (2, 4), the free snake at (2, 1).
    ASSERT_EQ(enemies[0].type, enemyType::flyer);
    ASSERT_EQ(enemies[1].type, enemyType::snake);
    ASSERT_EQ(enemies[2].type, enemyType::snake);
    for (int i = 0; i < 3; ++i) enemies[i].fireThreshold = -1;

    updateEnemy(2, 100, 100);
    ASSERT_EQ(activeShots(enemyShots), 4);
    const int dirs[4][2] = {{2, 0}, {0, 1}, {-2, 0}, {0, -1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(enemyShots[k].dx, dirs[k][0]);
        EXPECT_EQ(enemyShots[k].dy, dirs[k][1]);
        EXPECT_EQ(enemyShots[k].kind, 0);
    }
    updateEnemy(1, 100, 100);  // walled in on all four sides
    EXPECT_EQ(activeShots(enemyShots), 4);
    updateEnemy(0, 100, 100);  // a floor cell right below
    EXPECT_EQ(activeShots(enemyShots), 4);

    // The flyer turned at the wall to its left; one cell on, the cell below is open.
    EXPECT_EQ(enemies[0].dirX, 1);
    run(0, 63);
    ASSERT_EQ(enemies[0].cellX, 5);
    ASSERT_EQ(enemies[0].stepX, 0);
    updateEnemy(0, 100, 100);
    ASSERT_EQ(activeShots(enemyShots), 5);
    EXPECT_EQ(enemyShots[4].kind, 1);
    EXPECT_EQ(enemyShots[4].dx, 0);
    EXPECT_EQ(enemyShots[4].dy, 1);
}

TEST_F(Enemies, EveryShotInAFrameCountsEvenAfterTheKill) {
    load({"........",
          "..W.S.N.",
          "########"});
    ASSERT_EQ(enemies[0].type, enemyType::walker);
    ASSERT_EQ(enemies[1].type, enemyType::snake);
    ASSERT_EQ(enemies[2].type, enemyType::swan);
    const int vx = -2000, vy = -2000;  // everything off the screen: nothing fires
    auto shootAt = [](const Enemy& e, int k) {
        playerShots[k] = Shot{1, e.posX - 20 + k, e.posY + 10, 4, 0, 100, 0};
    };
    for (int k = 0; k < 4; ++k) shootAt(enemies[0], k);
    enemyPass(vx, vy);
    EXPECT_EQ(activeShots(playerShots), 0);
    EXPECT_EQ(game.score, 4);
    EXPECT_EQ(enemies[0].hitPoints, -1);
    int sparks = 0;
    for (const Particle& p : particles) sparks += p.active;
    EXPECT_GT(sparks, 0);

    // The dead walker takes no more part: not moved, not hit.
    const int x = enemies[0].posX;
    shootAt(enemies[0], 0);
    enemyPass(vx, vy);
    EXPECT_EQ(enemies[0].posX, x);
    EXPECT_EQ(playerShots[0].active, 1);
    playerShots[0].active = 0;

    // A snake swallows the shot for nothing; a swan scores but lives on.
    shootAt(enemies[1], 0);
    shootAt(enemies[2], 1);
    enemyPass(vx, vy);
    EXPECT_EQ(activeShots(playerShots), 0);
    EXPECT_EQ(enemies[1].hitPoints, 20);
    EXPECT_EQ(game.score, 5);
    EXPECT_EQ(enemies[2].hitPoints, 999);
    enemyPass(vx, vy);
    enemyPass(vx, vy);  // its next action restores it
    EXPECT_EQ(enemies[2].hitPoints, 1000);

    // Entries past 60 are never played.
    enemies[61] = enemies[2];
    enemies[61].hitPoints = 7;
    const Enemy before = enemies[61];
    enemyPass(vx, vy);
    EXPECT_EQ(enemies[61].posX, before.posX);
    EXPECT_EQ(enemies[61].tick, before.tick);
}

TEST(EnemyCells, OutsideTheGridIsClosed) {
    freshGame();
    EXPECT_TRUE(cellOpen(0, 0));
    EXPECT_TRUE(cellOpen(200, 200));
    EXPECT_FALSE(cellOpen(-1, 5));
    EXPECT_FALSE(cellOpen(5, 201));
    mapCell(3, 3).block = -3;
    EXPECT_FALSE(cellOpen(3, 3));
}
