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
extern Particle particles[particleCount];

void spawnExplosion(std::int32_t x, std::int32_t y);
// Moves, draws (blended, slot 0) and ages every live spark. Screen locked.
void updateParticles(std::int32_t viewX, std::int32_t viewY);
// Entry 0 alone bounces off a solid cell whose top-left is at world (worldX, worldY).
void bounceFirstParticle(std::int32_t worldX, std::int32_t worldY);
