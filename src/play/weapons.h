// Player shots, enemy shots and bombs, the solid pass and the streamer.
#pragma once

#include <cstdint>

struct Shot {
    std::int32_t active;
    std::int32_t x, y;  // world position of the picture's top-left corner
    std::int32_t dx, dy;
    std::int32_t life;
    std::int32_t kind;  // enemy shots: 0 blue shot, 1 bomb
};

constexpr int shotCount = 21;
extern Shot playerShots[shotCount];
extern Shot enemyShots[shotCount];

void firePlayerShot(std::int32_t px, std::int32_t py, std::int32_t direction, std::int32_t vertical,
                    std::int32_t crouching);
void fireEnemyShot(std::int32_t ex, std::int32_t ey, std::int32_t direction, std::int32_t vertical,
                   std::int32_t kind);
// The gun, right after the player's key step, with Z held or not.
void fireStep(bool held);
// The streamer, right after the gun, with X held or not: switches the beam,
// casts it (hits and the segments to draw) and drains it.
void streamerStep(bool held);
// The beam segments cast in this frame's key step, each with its opacity.
struct BeamSegment {
    std::int32_t x, y;
    int opacity;
};
constexpr int beamSegmentCount = 19;
extern BeamSegment beamSegments[beamSegmentCount];
extern int beamSegmentsCast;
// Draws this frame's beam; called right after the key step.
void drawBeam();
// Shots move and age whether drawn or not (`draw`), so the state is the same either way.
void updatePlayerShots(std::int32_t viewX, std::int32_t viewY, bool draw);
void updateEnemyShots(std::int32_t viewX, std::int32_t viewY, bool draw);
// Shots and spark 0 against every entry of the solid list up to solidLast.
void solidPass();
// The solid pass written out cell by cell (every solid cell against all 42
// shots); solidPass must give the same frees, explosions and bounces.
void solidPassDirect();
// Screen position of streamer segment i (2..20) at `angle` degrees.
void streamerSegment(std::int32_t angle, int i, std::int32_t& sx, std::int32_t& sy);
