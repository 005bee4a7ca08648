// Sparks: bursts of seven that fly out from a hit and fade over 33 frames.
#pragma once

#include <cstdint>

struct Particle {
    std::int32_t active;
    std::int32_t age;
    std::int32_t lifetime;
    double x, y;     // world position of the picture's top-left corner
    double vx, vy;
    double angle;    // whole degrees 0..359
};

constexpr int particleCount = 51;
constexpr int sparksPerBurst = 7;
constexpr int sparkLifetime = 32;
extern Particle particles[particleCount];

// A burst at world (x, y): up to seven free entries, lowest index first, each
// take a random direction and start 5 pixels out. Fewer free entries give fewer
// sparks; a full table makes the call do nothing.
void spawnExplosion(std::int32_t x, std::int32_t y);
// Moves, draws when `draw` (blended, picture slot 0, nothing when the slot is
// empty; screen locked) and ages every live spark; a spark lives 33 frames.
void updateParticles(std::int32_t viewX, std::int32_t viewY, bool draw);
// Entry 0 alone bounces off a solid cell whose top-left is at world (worldX,
// worldY): reverses vy or vx when an edge of the spark lies in the cell, ends
// the spark when it lies wholly inside. Called by the solid pass for every cell.
void bounceFirstParticle(std::int32_t worldX, std::int32_t worldY);
// Nearest whole pixel, halves to even (the spark's position for the bounce).
std::int32_t roundHalfEven(double v);
