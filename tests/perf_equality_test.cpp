// The fast paths must change nothing but the time: every drawing path gives the
// pixels of the plain one, and the indexed solid pass gives the events of the
// loop over every solid cell, written out here on its own.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/draw_paths.h"
#include "platform/platform.h"
#include "platform/random.h"
#include "play/collide.h"
#include "play/particles.h"
#include "play/weapons.h"
#include "support/test_support.h"
#include "world/world.h"

namespace {

std::vector<DrawPath> availablePaths() {
    std::vector<DrawPath> paths;
    for (DrawPath p : {DrawPath::plain, DrawPath::sse2, DrawPath::avx2})
        if (setDrawPath(p)) paths.push_back(p);
    setDrawPath(bestDrawPath());
    return paths;
}

// Restores the fastest path whatever the test does.
class DrawPaths : public ::testing::Test {
protected:
    void SetUp() override { freshGame(); }
    void TearDown() override { setDrawPath(bestDrawPath()); }
};

std::vector<std::uint32_t> screenCopy() {
    return std::vector<std::uint32_t>(framePixels(), framePixels() + screenWidth * screenHeight);
}

}  // namespace

// Every channel value over every channel value at every opacity: the
// non-negative form the vector paths use is the floor of the signed one.
TEST_F(DrawPaths, BlendIsTheFlooredMixForEveryValueAndOpacity) {
    Image* ramp = createImage(256, 1, 0);
    for (int s = 0; s < 256; ++s)
        imageRow(ramp, 0)[s] = 0x7F000000u | std::uint32_t(s) << 16 | std::uint32_t(s) << 8 | std::uint32_t(255 - s);
    for (DrawPath path : availablePaths()) {
        ASSERT_TRUE(setDrawPath(path));
        for (int opacity = 1; opacity <= 255; opacity += 2) {
            const int w = opacity + 1;
            for (int d = 0; d < 256; d += 5) {
                std::uint32_t* row = framePixels() + 7 * screenWidth;
                const std::uint32_t screen = 0xA5000000u | std::uint32_t(d) * 0x010101u;
                std::fill_n(row, 256, screen);
                drawImage(0, 7, ramp, DrawMode::blend, opacity);
                for (int s = 0; s < 256; ++s) {
                    auto mix = [&](int sb) { return d + static_cast<int>(std::floor((sb - d) * w / 256.0)); };
                    const std::uint32_t want = 0xA5000000u | std::uint32_t(mix(s)) << 16 |
                                               std::uint32_t(mix(s)) << 8 | std::uint32_t(mix(255 - s));
                    ASSERT_EQ(row[s], want) << "path " << int(path) << " opacity " << opacity << " d " << d << " s " << s;
                }
            }
        }
    }
}

// The same random draws (every mode, opacity, size and clipping, text, fills
// and lines) from the same screen give the same pixels on every path.
TEST_F(DrawPaths, EveryPathDrawsThePixelsOfThePlainOne) {
    std::mt19937 rng(99);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<Image*> images;
    for (int k = 0; k < 20; ++k) {
        Image* image = createImage(pick(1, 75), pick(1, 70), 0);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                imageRow(image, y)[x] = pick(0, 3) == 0 ? (std::uint32_t(pick(0, 255)) << 24) | 0xFF00FFu
                                                        : std::uint32_t(rng());
        images.push_back(image);
    }
    std::vector<std::uint32_t> start(screenWidth * screenHeight);
    for (auto& p : start) p = std::uint32_t(rng());
    const std::uint32_t seed = rng();

    std::vector<std::uint32_t> plainResult;
    for (DrawPath path : availablePaths()) {
        ASSERT_TRUE(setDrawPath(path));
        std::memcpy(framePixels(), start.data(), start.size() * 4);
        std::mt19937 draws(seed);
        auto d = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(draws); };
        for (int n = 0; n < 4000; ++n) {
            const double x = d(-90, 670) + d(0, 3) * 0.25, y = d(-80, 500) + d(0, 3) * 0.25;
            switch (d(0, 9)) {
            case 0:
                setColours(0xFF000000u | std::uint32_t(draws()));
                drawText(x, y, "SCORE: 1234 \x01\xDB\xFF hostage");
                break;
            case 1:
                setColours(std::uint32_t(draws()));
                fillBox(x, y, x + d(-40, 40), y + d(-40, 40));
                break;
            case 2:
                setColours(std::uint32_t(draws()));
                drawLine(x, y, d(-100, 700), y);
                break;
            default: {
                const DrawMode mode = static_cast<DrawMode>(d(0, 2));
                const int opacity = d(0, 6) == 0 ? d(0, 1) * 300 - 20 : d(0, 255);
                drawImage(x, y, images[d(0, int(images.size()) - 1)], mode, opacity);
            }
            }
        }
        if (path == DrawPath::plain)
            plainResult = screenCopy();
        else
            ASSERT_TRUE(screenCopy() == plainResult) << "path " << int(path);
        const std::uint32_t background = draws();
        setColours(std::nullopt, background);
        clearScreen();
        for (int i = 0; i < screenWidth * screenHeight; ++i) ASSERT_EQ(framePixels()[i], background);
    }
}

namespace {

const HitBox& enemyShotBoxOf(const Shot& s) { return s.kind == 1 ? bombBox : shotBox; }

// The solid pass as a plain loop: every solid-list entry in order, each pair
// of shot slots against it, then spark 0.
void solidPassTranscribed() {
    for (int e = 0; e <= solidLast; ++e) {
        const SolidCell& cell = solidList[e];
        for (int k = 0; k < shotCount; ++k) {
            Shot& p = playerShots[k];
            if (p.active && centreInCell(p.x, p.y, cell.worldX, cell.worldY, shotBox)) {
                p.active = 0;
                spawnExplosion(p.x + 4, p.y + 4);
            }
            Shot& q = enemyShots[k];
            if (q.active && centreInCell(q.x, q.y, cell.worldX, cell.worldY, enemyShotBoxOf(q))) {
                q.active = 0;
                spawnExplosion(q.x, q.y);
            }
        }
        bounceFirstParticle(cell.worldX, cell.worldY);
    }
}

struct PassResult {
    Shot player[shotCount], enemy[shotCount];
    Particle sparks[particleCount];
    RandomState random;
};

PassResult runPass(void (*pass)(), const PassResult& start) {
    std::memcpy(playerShots, start.player, sizeof playerShots);
    std::memcpy(enemyShots, start.enemy, sizeof enemyShots);
    std::memcpy(particles, start.sparks, sizeof particles);
    randomState = start.random;
    pass();
    PassResult r;
    std::memcpy(r.player, playerShots, sizeof playerShots);
    std::memcpy(r.enemy, enemyShots, sizeof enemyShots);
    std::memcpy(r.sparks, particles, sizeof particles);
    r.random = randomState;
    return r;
}

bool sameState(const PassResult& a, const PassResult& b) {
    // Every field, so explosion order shows in which entries got which angles.
    return std::memcmp(a.player, b.player, sizeof a.player) == 0 &&
           std::memcmp(a.enemy, b.enemy, sizeof a.enemy) == 0 &&
           std::memcmp(a.sparks, b.sparks, sizeof a.sparks) == 0 && a.random.position == b.random.position &&
           std::memcmp(a.random.words, b.random.words, sizeof a.random.words) == 0;
}

}  // namespace

// Random levels up to the full grid, shots anywhere (inside cells, on their
// edges, outside the map and the grid), spark 0 alive, free or brought back by
// a burst in mid-pass, and the spark table mostly free so that many bursts
// show their order.
TEST(SolidPassEquality, IndexedPassGivesTheEventsOfTheLoop) {
    freshGame();
    std::mt19937 rng(2024);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int freed = 0, bounced = 0, reborn = 0;
    for (int trial = 0; trial < 600; ++trial) {
        std::memset(&mapGrid, 0, sizeof mapGrid);
        const bool full = trial % 50 == 0;
        mapWidth = full ? gridSize : pick(1, 40);
        mapHeight = full ? gridSize : pick(1, 40);
        const int density = pick(0, 100);
        for (int y = 0; y < mapHeight; ++y)
            for (int x = 0; x < mapWidth; ++x)
                if (pick(0, 99) < density)
                    mapCell(x, y) = MapCell{31, static_cast<std::int8_t>(pick(0, 2) ? 1 : -pick(1, 3)), 0};
        buildSolidList();

        PassResult start{};
        seedRandom(trial);
        start.random = randomState;
        const int w = 32 * mapWidth, h = 32 * mapHeight;
        auto coordinate = [&](int span) {
            switch (pick(0, 9)) {
            case 0: return pick(-2000000000, 2000000000);
            case 1: return 32 * pick(-2, span / 32 + 2) - pick(0, 12);  // near a cell edge
            default: return pick(-100, span + 60);
            }
        };
        for (int k = 0; k < shotCount; ++k) {
            if (pick(0, 3)) start.player[k] = Shot{1, coordinate(w), coordinate(h), 2, 0, 100, 0};
            if (pick(0, 3)) start.enemy[k] = Shot{1, coordinate(w), coordinate(h), 0, 1, 500, pick(0, 1)};
        }
        for (int i = 1; i < particleCount; ++i) start.sparks[i].active = pick(0, 4) == 0;
        Particle& spark = start.sparks[0];
        spark.active = pick(0, 2) != 0;
        spark.x = pick(-60, w + 20) + pick(0, 8) * 0.125;
        spark.y = pick(-60, h + 20) + pick(0, 8) * 0.125;
        if (pick(0, 20) == 0) spark.x = 1e12;  // far beyond the grid
        spark.vx = pick(0, 1) ? 0.75 : -0.5;
        spark.vy = pick(0, 1) ? 0.25 : -1.0;

        const PassResult loop = runPass(solidPassTranscribed, start);
        const PassResult indexed = runPass(solidPass, start);
        ASSERT_TRUE(sameState(loop, indexed)) << "trial " << trial;
        for (int k = 0; k < shotCount; ++k) freed += start.player[k].active + start.enemy[k].active -
                                                     loop.player[k].active - loop.enemy[k].active;
        bounced += spark.active && (loop.sparks[0].vx != spark.vx || loop.sparks[0].vy != spark.vy ||
                                    !loop.sparks[0].active);
        reborn += !spark.active && loop.sparks[0].active;
    }
    // The random cases did reach every kind of event.
    EXPECT_GT(freed, 2000);
    EXPECT_GT(bounced, 30);
    EXPECT_GT(reborn, 30);
}
