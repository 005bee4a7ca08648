#include "play/particles.h"

#include <cmath>

#include "play/collide.h"
#include "platform/platform.h"
#include "world/pictures.h"

Particle particles[particleCount];

namespace {
// The sparks' angle conversion uses 3.14, not pi: part of the game's look
// (359 degrees is 6.2626 radians), so it stays.
constexpr double sparkPi = 3.14;
constexpr double sparkStartDistance = 5.0;
constexpr int sparkFade = 7;  // opacity lost per frame of age
constexpr int sparkPicture = 0;
// Far beyond any position a spark can reach; keeps the conversion to an integer defined.
constexpr double positionLimit = 1 << 30;
}  // namespace

void spawnExplosion(std::int32_t x, std::int32_t y) {
    int made = 0;
    for (int j = 0; j < particleCount && made < sparksPerBurst; ++j) {
        Particle& p = particles[j];
        if (p.active != 0) continue;
        p.active = 1;
        p.angle = std::floor(randomReal() * 360.0);
        const double a = sparkPi * p.angle / 180.0;
        p.age = 0;
        p.lifetime = sparkLifetime;
        p.vx = std::cos(a);
        p.vy = std::sin(a);
        p.x = x + sparkStartDistance * p.vx;
        p.y = y + sparkStartDistance * p.vy;
        ++made;
    }
}

void updateParticles(std::int32_t viewX, std::int32_t viewY, bool draw) {
    const Image* picture = pictures[sparkPicture];
    for (Particle& p : particles) {
        if (p.active != 1) continue;
        p.x += p.vx;
        p.y += p.vy;
        if (draw) drawImage(p.x - viewX, p.y - viewY, picture, DrawMode::blend, 255 - sparkFade * p.age);
        if (p.age >= p.lifetime)
            p.active = 0;
        else
            p.age += 1;
    }
}

std::int32_t roundHalfEven(double v) {
    if (std::isnan(v)) return 0;
    if (v > positionLimit) v = positionLimit;
    if (v < -positionLimit) v = -positionLimit;
    const double low = std::floor(v);
    const double rest = v - low;
    double r = low;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(low, 2.0) != 0.0)) r = low + 1.0;
    return static_cast<std::int32_t>(r);
}

void bounceFirstParticle(std::int32_t worldX, std::int32_t worldY) {
    Particle& p = particles[0];
    if (p.active != 1) return;
    const std::int32_t corners =
        cornerTest(roundHalfEven(p.x), roundHalfEven(p.y), worldX, worldY, shotBox, tileBox);
    switch (corners) {
    case 3:
    case 12:
        p.vy = -p.vy;
        break;
    case 5:
    case 10:
        p.vx = -p.vx;
        break;
    case 15:
        p.active = 0;
        break;
    default:
        break;
    }
}
