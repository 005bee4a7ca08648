#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/platform.h"
#include "play/enemies.h"
#include "play/particles.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "support/map_builder.h"
#include "support/test_support.h"
#include "world/world.h"

namespace {

// A clean game with the view at world (0, 0): screen and world coincide, and
// the player stands with its top-left corner at (288, 288), on cell (10, 10).
void freshField() {
    freshGame();
    clearKeys();
    view = View{};
    viewX = 0;
    viewY = 0;
    playerBox = playerStandingBox;
    player.power = 4;
    player.streamerDrain = 20;
}

int activeShots(const Shot (&table)[shotCount]) {
    int n = 0;
    for (const Shot& s : table) n += s.active;
    return n;
}

int liveSparks() {
    int n = 0;
    for (const Particle& p : particles) n += p.active;
    return n;
}

// Sets cell (x, y) and lists it in the frame's contact list at its screen place.
void putCell(int x, int y, std::uint8_t tile, std::int8_t block, int contactKind) {
    mapCell(x, y) = MapCell{tile, block, 0};
    contactLast += 1;
    contacts[contactLast] = Contact{x, y, 32 * x - 32 - viewX, 32 * y - 32 - viewY, contactKind};
    if (mapWidth <= x) mapWidth = x + 1;
    if (mapHeight <= y) mapHeight = y + 1;
}

// Random numbers drawn by `action`, counted by replaying the seeded sequence.
template <class F>
int randomDraws(F action) {
    seedRandom(42);
    action();
    const double next = randomReal();
    seedRandom(42);
    for (int n = 0; n < 64; ++n)
        if (randomReal() == next) return n;
    return -1;
}

}  // namespace

TEST(Weapons, HoldingZFiresEverySixteenFramesAndReleaseFreezesTheDelay) {
    freshField();
    player.facing = 2;
    keyDown(scan::z);
    std::vector<int> fired;
    for (int frame = 0; frame <= 40; ++frame) {
        const int before = activeShots(playerShots);
        fireKey();
        if (activeShots(playerShots) > before) fired.push_back(frame);
    }
    EXPECT_EQ(fired, (std::vector<int>{0, 16, 32}));
    const int delay = player.fireDelay;
    keyUp(scan::z);
    for (int frame = 0; frame < 5; ++frame) fireKey();
    EXPECT_EQ(player.fireDelay, delay);
    EXPECT_EQ(activeShots(playerShots), 3);
}

TEST(Weapons, ShotStartsAtTheFigureAndFliesByFacing) {
    freshField();
    firePlayerShot(100, 200, 2, 0, 0);   // right, standing
    firePlayerShot(100, 200, -2, 0, 0);  // left
    firePlayerShot(100, 200, 2, 0, 1);   // crouching: 18 pixels lower
    firePlayerShot(100, 200, -1, 0, 0);  // facing the beam: half speed
    EXPECT_EQ(playerShots[0].x, 148);
    EXPECT_EQ(playerShots[0].y, 215);
    EXPECT_EQ(playerShots[1].x, 100);
    EXPECT_EQ(playerShots[2].y, 233);
    updatePlayerShots(0, 0);
    EXPECT_EQ(playerShots[0].x, 156);
    EXPECT_EQ(playerShots[1].x, 92);
    EXPECT_EQ(playerShots[3].x, 96);
    EXPECT_EQ(playerShots[0].y, 215);

    // Life 200: the shot is gone after its 200th move; a full table drops new shots.
    for (int f = 1; f < 200; ++f) updatePlayerShots(0, 0);
    EXPECT_EQ(activeShots(playerShots), 0);
    for (int n = 0; n < 25; ++n) firePlayerShot(0, 0, 2, 0, 0);
    EXPECT_EQ(activeShots(playerShots), shotCount);
    playerShots[5].active = 0;
    firePlayerShot(1000, 0, -2, 0, 0);
    EXPECT_EQ(playerShots[5].x, 1000);
}

TEST(Weapons, EnemyShotsAgeOnlyWhenMovingSidewaysAndHitOnTheirLastFrame) {
    freshField();
    fireEnemyShot(2000, 0, 0, 1, 1);   // bomb straight down, far from the player
    fireEnemyShot(-5000, 0, 1, 0, 0);  // blue shot, far to the left
    EXPECT_EQ(enemyShots[0].x, 1982);
    EXPECT_EQ(enemyShots[0].y, 10);
    EXPECT_EQ(enemyShots[1].dx, 2);
    for (int f = 0; f < 500; ++f) updateEnemyShots(0, 0);
    EXPECT_EQ(enemyShots[1].active, 1);
    updateEnemyShots(0, 0);
    EXPECT_EQ(enemyShots[1].active, 0);
    for (int f = 0; f < 2000; ++f) updateEnemyShots(0, 0);
    EXPECT_EQ(enemyShots[0].active, 1);
    EXPECT_EQ(enemyShots[0].y, 10 + 2 * 2501);
    EXPECT_EQ(player.power, 4);

    // A shot with no life left moves once more, dies and still hits the player.
    enemyShots[1] = Shot{1, 300, 300, 1, 0, 0, 0};
    updateEnemyShots(0, 0);
    EXPECT_EQ(enemyShots[1].active, 0);
    EXPECT_EQ(player.power, 3);
    EXPECT_EQ(liveSparks(), 7);
}

TEST(Weapons, SolidCellsStopShotsWithAnExplosion) {
    freshField();
    mapWidth = mapHeight = 20;
    mapCell(5, 5) = MapCell{31, 1, 0};  // world 128..159
    mapCell(6, 5) = MapCell{35, -3, 0};
    mapCell(7, 5) = MapCell{18, 0, 0};  // a diamond lets shots through
    buildSolidList();
    ASSERT_EQ(solidLast, 1);
    // A spark far away holds entry 0, so the bursts land in 1..7 and 8..14
    // whatever their directions (entry 0 alone could bounce off the cells).
    particles[0] = Particle{1, 0, 32, -10000, -10000, 0, 0, 0};
    playerShots[0] = Shot{1, 125, 130, 4, 0, 100, 0};  // centre (128, 133): inside
    playerShots[1] = Shot{1, 124, 130, 4, 0, 100, 0};  // centre (127, 133): outside
    enemyShots[0] = Shot{1, 170, 140, 0, 1, 500, 1};   // bomb centre (173, 147): breakable cell
    enemyShots[1] = Shot{1, 200, 140, 0, 1, 500, 1};   // over the diamond
    solidPass();
    EXPECT_EQ(playerShots[0].active, 0);
    EXPECT_EQ(playerShots[1].active, 1);
    EXPECT_EQ(enemyShots[0].active, 0);
    EXPECT_EQ(enemyShots[1].active, 1);
    EXPECT_EQ(mapCell(6, 5).block, -3);  // shots do not damage
    ASSERT_EQ(liveSparks(), 15);
    // The first burst is the player shot's, at (x + 4, y + 4); the second at the bomb's (x, y).
    EXPECT_NEAR(particles[1].x - 5 * particles[1].vx, 129, 1e-9);
    EXPECT_NEAR(particles[1].y - 5 * particles[1].vy, 134, 1e-9);
    EXPECT_NEAR(particles[8].x - 5 * particles[8].vx, 170, 1e-9);
    EXPECT_NEAR(particles[8].y - 5 * particles[8].vy, 140, 1e-9);
}

TEST(Weapons, StreamerSegmentsLieOnARayFromTheFigure) {
    std::int32_t sx, sy;
    streamerSegment(0, 2, sx, sy);
    EXPECT_EQ(sx, 324);
    EXPECT_EQ(sy, 302);
    streamerSegment(180, 20, sx, sy);
    EXPECT_EQ(sx, 148);
    EXPECT_EQ(sy, 302);
    streamerSegment(270, 2, sx, sy);
    EXPECT_EQ(sx, 308);
    EXPECT_EQ(sy, 286);
    streamerSegment(90, 20, sx, sy);
    EXPECT_EQ(sx, 308);
    EXPECT_EQ(sy, 462);
    streamerSegment(44, 20, sx, sy);  // 115.09, 111.15
    EXPECT_EQ(sx, 423);
    EXPECT_EQ(sy, 413);
}

TEST(Weapons, StreamerNeedsGroundStandingAndStartsByFacing) {
    freshField();
    keyDown(scan::x);
    player.onGround = 1;
    player.facing = -2;
    streamerKey();
    EXPECT_EQ(player.streamerOn, 1);
    EXPECT_EQ(player.streamerAngle, 180);
    player.streamerAngle = 200;
    streamerKey();
    EXPECT_EQ(player.streamerAngle, 200);  // kept while on
    player.crouching = 1;
    streamerKey();
    EXPECT_EQ(player.streamerOn, 0);
    EXPECT_EQ(player.streamerAngle, 0);
    player.crouching = 0;
    player.onGround = 0;
    streamerKey();
    EXPECT_EQ(player.streamerOn, 0);
    player.onGround = 1;
    player.facing = 1;
    streamerKey();
    EXPECT_EQ(player.streamerAngle, 0);
    // No diamonds: no beam and no random numbers.
    EXPECT_EQ(randomDraws([] { streamerKey(); }), 0);
    keyUp(scan::x);
}

TEST(Weapons, BeamPassesPickupsStopsAtTheFirstSolidCellAndHitsTheEnemyThere) {
    freshField();
    keyDown(scan::x);
    player.onGround = 1;
    player.facing = 2;
    player.diamonds = 5;
    contactLast = -1;
    putCell(11, 10, 18, 0, kind::diamond);  // segments 2..4 pass over the diamond
    putCell(13, 10, 35, -3, kind::solid);   // segment 9's centre (388, 310) is the first inside
    putCell(14, 10, 31, 1, kind::solid);
    buildSolidList();
    // An enemy whose square holds segment 9's point (380, 302) but not segment 8's (372, 302).
    enemies[0] = Enemy{};
    enemies[0].type = enemyType::walker;
    enemies[0].posX = 408;
    enemies[0].posY = 288;
    enemies[0].hitPoints = 3;

    // Segments 2..8 are drawn, one random number each, then the enemy's burst takes seven.
    EXPECT_EQ(randomDraws([] { streamerKey(); }), 7 + 7);
    EXPECT_EQ(mapCell(13, 10).block, -2);
    EXPECT_EQ(mapCell(11, 10).tile, 18);
    EXPECT_EQ(enemies[0].hitPoints, 2);
    EXPECT_EQ(game.score, 1);
    EXPECT_EQ(liveSparks(), 7);
    EXPECT_NEAR(particles[0].x - 5 * particles[0].vx, 392, 1e-9);  // the enemy's centre
    EXPECT_NEAR(particles[0].y - 5 * particles[0].vy, 304, 1e-9);

    // A snake in the beam stops it without losing anything.
    enemies[0].type = enemyType::snake;
    streamerKey();
    EXPECT_EQ(enemies[0].hitPoints, 2);
    EXPECT_EQ(game.score, 1);
    EXPECT_EQ(mapCell(13, 10).block, -1);
    keyUp(scan::x);
}

TEST(Weapons, ThreeBeamFramesBreakABlockWithOneExplosionAndWallsHoldTheBeam) {
    freshField();
    keyDown(scan::x);
    player.onGround = 1;
    player.facing = 2;
    player.diamonds = 5;
    contactLast = -1;
    putCell(13, 10, 35, -3, kind::solid);
    putCell(15, 10, 31, 1, kind::solid);
    buildSolidList();
    ASSERT_EQ(solidLast, 1);
    streamerKey();
    streamerKey();
    EXPECT_EQ(liveSparks(), 0);
    EXPECT_EQ(mapCell(13, 10).tile, 35);
    streamerKey();
    EXPECT_EQ(mapCell(13, 10).tile, 0);
    EXPECT_EQ(mapCell(13, 10).block, 0);
    EXPECT_EQ(liveSparks(), 7);
    EXPECT_EQ(solidLast, 0);  // the broken block left the solid list
    EXPECT_NEAR(particles[0].x - 5 * particles[0].vx, 400, 1e-9);
    EXPECT_NEAR(particles[0].y - 5 * particles[0].vy, 304, 1e-9);

    // With the block gone the beam reaches the wall, which never breaks.
    contactLast = -1;
    putCell(15, 10, 31, 1, kind::solid);
    for (int f = 0; f < 10; ++f) streamerKey();
    EXPECT_EQ(mapCell(15, 10).block, 1);
    EXPECT_EQ(liveSparks(), 7);
    keyUp(scan::x);
}

TEST(Weapons, TheStreamerSpendsOneDiamondEveryTwentyOneFrames) {
    freshField();
    keyDown(scan::x);
    player.onGround = 1;
    player.facing = 2;
    contactLast = -1;
    // Held without diamonds the drain still runs: a diamond taken after 15
    // frames is spent on its 6th frame of use.
    for (int f = 0; f < 15; ++f) streamerKey();
    player.diamonds = 1;
    for (int f = 0; f < 5; ++f) streamerKey();
    EXPECT_EQ(player.diamonds, 1);
    streamerKey();
    EXPECT_EQ(player.diamonds, 0);

    player.diamonds = 2;
    for (int f = 0; f < 20; ++f) streamerKey();
    EXPECT_EQ(player.diamonds, 2);
    EXPECT_EQ(player.streamerDrain, 0);
    streamerKey();
    EXPECT_EQ(player.diamonds, 1);
    EXPECT_EQ(player.streamerDrain, 20);
    keyUp(scan::x);
    streamerKey();  // released: the drain is kept
    EXPECT_EQ(player.streamerDrain, 20);
    keyDown(scan::x);
    for (int f = 0; f < 21; ++f) streamerKey();
    EXPECT_EQ(player.diamonds, 0);
    for (int f = 0; f < 50; ++f) streamerKey();
    EXPECT_EQ(player.diamonds, 0);
    keyUp(scan::x);
}

// Whole frames: after the beam the figure keeps facing +-1, so shots fly at 4
// pixels per frame until Left or Right is pressed again.
TEST(WeaponsInPlay, ShotsAreSlowAfterTheStreamerUntilAnArrowKey) {
    const std::string oldData = dataFolder();
    const std::string folder = testTempFolder();
    setDataFolder(folder.c_str());
    freshGame();
    clearKeys();
    writeMission(folder, 1, {"................", "................", "..P..........G..", "................",
                             "################"});
    startMission();
    beginPlay();
    player.diamonds = 3;
    keyDown(scan::x);
    for (int f = 0; f < 5; ++f) playFrame();
    EXPECT_EQ(player.streamerOn, 1);
    keyUp(scan::x);
    keyDown(scan::z);
    playFrame();
    keyUp(scan::z);
    ASSERT_EQ(playerShots[0].active, 1);
    int x = playerShots[0].x;
    playFrame();
    EXPECT_EQ(playerShots[0].x - x, 4);
    keyDown(scan::right);
    playFrame();
    keyUp(scan::right);
    playerShots[0].active = 0;
    player.fireDelay = 0;
    keyDown(scan::z);
    playFrame();
    keyUp(scan::z);
    ASSERT_EQ(playerShots[0].active, 1);
    x = playerShots[0].x;
    playFrame();
    EXPECT_EQ(playerShots[0].x - x, 8);
    setDataFolder(oldData.c_str());
}
