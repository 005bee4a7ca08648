#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "play/particles.h"
#include "support/test_support.h"
#include "world/pictures.h"

namespace {

int activeCount() {
    int n = 0;
    for (const Particle& p : particles) n += p.active != 0;
    return n;
}

// Puts a white 8 x 8 spark picture into slot 0 for the test's lifetime.
struct WhiteSpark {
    Image* saved = pictures[0];
    WhiteSpark() {
        static Image* white = createImage(8, 8, 0xFFFFFFFFu);
        pictures[0] = white;
    }
    ~WhiteSpark() { pictures[0] = saved; }
};

// A spark as a burst with angle 0 makes it at (x0, y0).
Particle sparkAtAngleZero(double x0, double y0) {
    Particle p{};
    p.active = 1;
    p.lifetime = sparkLifetime;
    p.vx = 1.0;
    p.x = x0 + 5.0;
    p.y = y0;
    return p;
}

}  // namespace

TEST(Particles, BurstTakesSevenFreeEntriesInIndexOrder) {
    freshGame();
    spawnExplosion(100, 100);
    spawnExplosion(200, 50);
    for (int i = 0; i < particleCount; ++i) EXPECT_EQ(particles[i].active, i < 14 ? 1 : 0) << i;
    EXPECT_EQ(particles[6].x, 100 + 5 * particles[6].vx);
    EXPECT_EQ(particles[7].x, 200 + 5 * particles[7].vx);
    EXPECT_EQ(particles[7].y, 50 + 5 * particles[7].vy);

    // Live entries are skipped; a free entry 0 is used first.
    freshGame();
    for (int i : {1, 2, 4, 8}) particles[i].active = 1;
    spawnExplosion(0, 0);
    for (int i : {0, 3, 5, 6, 7, 9, 10}) EXPECT_EQ(particles[i].active, 1) << i;
    EXPECT_EQ(particles[11].active, 0);
    EXPECT_EQ(particles[1].lifetime, 0) << "a live entry was overwritten";

    // With 48 alive only the three free entries are filled; a full table is left alone.
    freshGame();
    for (int i = 0; i < 48; ++i) particles[i].active = 1;
    spawnExplosion(10, 10);
    EXPECT_EQ(activeCount(), particleCount);
    EXPECT_EQ(particles[50].lifetime, sparkLifetime);
    const Particle before = particles[20];
    spawnExplosion(10, 10);
    EXPECT_EQ(std::memcmp(&before, &particles[20], sizeof before), 0);
}

TEST(Particles, EachSparkStartsFiveOutAlongAWholeDegreeAngle) {
    freshGame();
    bool sawNonZeroAngle = false;
    for (int seed = 1; seed <= 8; ++seed) {
        seedRandom(seed);
        std::memset(particles, 0, sizeof particles);
        spawnExplosion(-40, 300);
        for (int i = 0; i < sparksPerBurst; ++i) {
            const Particle& p = particles[i];
            EXPECT_EQ(p.angle, std::floor(p.angle));
            EXPECT_GE(p.angle, 0);
            EXPECT_LE(p.angle, 359);
            // The angle turns into radians with 3.14, not pi.
            const double a = 3.14 * p.angle / 180.0;
            EXPECT_DOUBLE_EQ(p.vx, std::cos(a));
            EXPECT_DOUBLE_EQ(p.vy, std::sin(a));
            EXPECT_DOUBLE_EQ(p.x, -40 + 5 * p.vx);
            EXPECT_DOUBLE_EQ(p.y, 300 + 5 * p.vy);
            EXPECT_EQ(p.age, 0);
            EXPECT_EQ(p.lifetime, 32);
            sawNonZeroAngle |= p.angle != 0;
        }
    }
    EXPECT_TRUE(sawNonZeroAngle);
}

TEST(Particles, SparkIsDrawnOn33FramesFadingBy7) {
    freshGame();
    WhiteSpark spark;
    particles[0] = sparkAtAngleZero(100, 100);
    // The view puts world (0, 0) at screen (-20, 10).
    const int viewX = 20, viewY = -10;
    for (int frame = 0; frame < 33; ++frame) {
        clearScreen();
        updateParticles(viewX, viewY);
        const int sx = 106 + frame - viewX, sy = 100 - viewY;
        const int opacity = 255 - 7 * frame;
        // White over black blends to exactly the opacity in each colour byte.
        EXPECT_EQ(pixelAt(sx, sy) & 0xFFFFFFu, 0x010101u * static_cast<std::uint32_t>(opacity)) << frame;
        EXPECT_EQ(pixelAt(sx + 7, sy + 7) & 0xFFu, static_cast<std::uint32_t>(opacity)) << frame;
        EXPECT_EQ(pixelAt(sx - 1, sy) & 0xFFFFFFu, 0u) << frame;
        EXPECT_EQ(pixelAt(sx + 8, sy) & 0xFFFFFFu, 0u) << frame;
        EXPECT_EQ(pixelAt(sx, sy + 8) & 0xFFFFFFu, 0u) << frame;
        EXPECT_EQ(particles[0].active, frame < 32 ? 1 : 0) << frame;
    }
    // The last picture was at world (138, 100) with opacity 31; then the entry is free.
    EXPECT_EQ(particles[0].x, 138.0);
    clearScreen();
    updateParticles(viewX, viewY);
    EXPECT_EQ(pixelAt(139 - viewX, 100 - viewY) & 0xFFFFFFu, 0u);
    EXPECT_EQ(particles[0].x, 138.0);
}

TEST(Particles, DrawPositionRoundsHalvesAwayFromZeroAndEmptySlotDrawsNothing) {
    freshGame();
    {
        WhiteSpark spark;
        particles[3] = sparkAtAngleZero(0, 0);
        particles[3].x = 49.0;
        particles[3].vx = 0.5;   // drawn at 49.5 -> 50
        particles[3].y = 60.0;
        particles[3].vy = -0.5;  // drawn at 59.5 -> 60
        clearScreen();
        updateParticles(0, 0);
        EXPECT_EQ(pixelAt(50, 60) & 0xFFu, 255u);
        EXPECT_EQ(pixelAt(49, 60) & 0xFFu, 0u);
        EXPECT_EQ(pixelAt(50, 59) & 0xFFu, 0u);
    }
    Image* saved = pictures[0];
    pictures[0] = nullptr;
    particles[3] = sparkAtAngleZero(100, 100);
    clearScreen();
    updateParticles(0, 0);
    pictures[0] = saved;
    EXPECT_EQ(pixelAt(106, 100) & 0xFFFFFFu, 0u);
    EXPECT_EQ(particles[3].x, 106.0);  // it still moves and ages
    EXPECT_EQ(particles[3].age, 1);
}

TEST(Particles, RoundingForTheBounceTakesHalvesToEven) {
    EXPECT_EQ(roundHalfEven(24.5), 24);
    EXPECT_EQ(roundHalfEven(25.5), 26);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(-2.6), -3);
    EXPECT_EQ(roundHalfEven(7.0), 7);
}

TEST(Particles, OnlyEntryZeroBouncesOffACell) {
    freshGame();
    const auto place = [](int i, double x, double y) {
        particles[i] = Particle{1, 0, 32, x, y, 0.6, 0.8, 53};
    };
    // Cell at world (64, 32). Bottom edge inside: vertical speed turns.
    place(0, 74, 28);
    place(1, 74, 28);
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].vy, -0.8);
    EXPECT_EQ(particles[0].vx, 0.6);
    EXPECT_EQ(particles[1].vy, 0.8) << "only entry 0 bounces";
    // Top edge inside (3) also turns vy.
    place(0, 74, 60);
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].vy, -0.8);
    // Left or right edge inside: horizontal speed turns.
    place(0, 90, 40);
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].vx, -0.6);
    place(0, 60, 40);
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].vx, -0.6);
    EXPECT_EQ(particles[0].vy, 0.8);
    // A single corner inside, or no contact, changes nothing.
    place(0, 60, 28);
    bounceFirstParticle(64, 32);
    place(0, 40, 40);
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].vx, 0.6);
    EXPECT_EQ(particles[0].vy, 0.8);
    EXPECT_EQ(particles[0].active, 1);
    // Wholly inside ends the spark; 88.5 rounds to 88 (right edge 95 inside),
    // where rounding away from zero would give 89 and a bounce instead.
    place(0, 88.5, 40);
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].active, 0);
    EXPECT_EQ(particles[0].vx, 0.6);
    place(0, 63.5, 40);  // rounds to 64: wholly inside
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].active, 0);
    // A free entry 0 is left alone.
    place(0, 74, 28);
    particles[0].active = 0;
    bounceFirstParticle(64, 32);
    EXPECT_EQ(particles[0].vy, 0.8);
}
