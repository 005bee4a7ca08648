// Drawing: the edges of the primitives, drawn in text; the blend rule for every
// value; every fast path against the plain one; the indexed solid pass against
// the cell-by-cell one.
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/draw_paths.h"
#include "platform/platform.h"
#include "platform/random.h"
#include "play/particles.h"
#include "play/weapons.h"
#include "shell/text.h"
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

std::vector<std::uint32_t> screenCopy() { return {framePixels(), framePixels() + screenWidth * screenHeight}; }

// '.' black, '#' the white foreground, 'o' the test picture's colour, 'd' white darkened.
struct Drawn {
    const char* what;
    std::function<void(Image*)> draw;
    int left, top;
    std::vector<const char*> rows;
    int lit;  // pixels that are not black on the whole screen
};

const std::vector<Drawn> drawn = {
    {"halves round away from zero, left and top clip", [](Image* p) { drawImage(-1.5, -0.5, p, DrawMode::opaque); },
     0, 0, {"o...", "....", "...."}, 1},
    {"right and bottom clip", [](Image* p) { drawImage(638, 478.5, p, DrawMode::opaque); },
     636, 477, {"....", "....", "..oo"}, 2},
    {"a glyph's last row, on the bottom edge", [](Image*) { drawText(0, 464, "\xDB"); },
     0, 476, {"########.", "########.", "########.", "########."}, 128},
    {"a sloped line rounds its steps half away from zero", [](Image*) { drawLine(0, 0, 9, 3); },
     0, 0, {"##........", "..###.....", ".....###..", "........##"}, 10},
    {"a steep line reaches the bottom row", [](Image*) { drawLine(0, 476, 1, 479); },
     0, 476, {"#.", "#.", ".#", ".#"}, 4},
    {"a glyph cut by the left edge keeps its last column", [](Image*) { drawText(-3, 0, "\xDB"); },
     0, 0, {"#####.", "#####."}, 80},
    {"a box is clamped to the last column", [](Image*) { fillBox(630, 10, 700, 11); },
     636, 9, {"....", "####", "####", "...."}, 20},
    {"a darkened box includes both edges", [](Image*) { fillBox(0, 0, 6, 4), darkenBox(2, 1, 3, 2); },
     0, 0, {"#######", "##dddd#", "##dddd#", "##dddd#", "#######"}, 35},
};

TEST(Draw, EdgesOfThePrimitives) {
    freshGame();
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {4097, 1}, {1, 4097}}) EXPECT_EQ(createImage(w, h, 0), nullptr) << w;
    Image* picture = createImage(3, 2, 0xFF336699u);
    const std::int32_t header[8] = {7, 4, 3, 2, 16, 0, 0, 0};  // tag, bytes per pixel, size, pitch, reserved zeros
    EXPECT_EQ(std::memcmp(picture, header, sizeof header), 0);
    for (const Drawn& d : drawn) {
        clearScreen();
        d.draw(picture);
        for (std::size_t r = 0; r < d.rows.size(); ++r)
            for (int c = 0; d.rows[r][c]; ++c) {
                const char want = d.rows[r][c];
                const std::uint32_t p = pixelAt(d.left + c, d.top + static_cast<int>(r));
                const char got = p == 0xFF000000u   ? '.'
                                 : p == 0xFFFFFFFFu ? '#'
                                 : p == 0xFF336699u ? 'o'
                                 : p == 0x7F7F7F7Fu ? 'd'
                                                    : '?';
                EXPECT_EQ(got, want) << d.what << " at " << d.left + c << "," << d.top + r;
            }
        int lit = 0;
        for (std::uint32_t p : screenCopy()) lit += p != 0xFF000000u;
        EXPECT_EQ(lit, d.lit) << d.what;
    }
}

// Every channel over every channel at every opacity: d + floor((s - d) * (opacity + 1) / 256).
TEST(Draw, BlendIsTheFlooredMixOnEveryPath) {
    freshGame();
    Image* ramp = createImage(256, 1, 0);
    for (int s = 0; s < 256; ++s) imageRow(ramp, 0)[s] = 0x7F000000u | std::uint32_t(s) * 0x10100u | (255 - s);
    for (DrawPath path : availablePaths()) {
        ASSERT_TRUE(setDrawPath(path));
        for (int opacity = 1; opacity <= 255; opacity += 2)
            for (int d = 0; d < 256; d += 5) {
                std::uint32_t* row = framePixels() + 7 * screenWidth;
                std::fill_n(row, 256, 0xA5000000u | std::uint32_t(d) * 0x010101u);
                drawImage(0, 7, ramp, DrawMode::blend, opacity);
                auto mix = [&](int s) { return std::uint32_t(d + std::floor((s - d) * (opacity + 1) / 256.0)); };
                for (int s = 0; s < 256; ++s)
                    ASSERT_EQ(row[s], 0xA5000000u | mix(s) * 0x10100u | mix(255 - s))
                        << "path " << int(path) << " opacity " << opacity << " d " << d << " s " << s;
            }
    }
    setDrawPath(bestDrawPath());
}

// The same random draws of every kind from the same screen, on every path.
TEST(Draw, EveryPathDrawsThePixelsOfThePlainOne) {
    freshGame();
    std::mt19937 rng(99);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<Image*> images;
    for (int k = 0; k < 20; ++k) {
        Image* image = createImage(pick(1, 75), pick(1, 70), 0);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                imageRow(image, y)[x] = pick(0, 3) == 0 ? std::uint32_t(pick(0, 255)) << 24 | 0xFF00FFu : rng();
        images.push_back(image);
    }
    std::vector<std::uint32_t> start(screenWidth * screenHeight), plain;
    for (auto& p : start) p = rng();
    for (DrawPath path : availablePaths()) {
        ASSERT_TRUE(setDrawPath(path));
        std::memcpy(framePixels(), start.data(), start.size() * 4);
        std::mt19937 draws(7);
        auto d = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(draws); };
        for (int n = 0; n < 4000; ++n) {
            const double x = d(-90, 670) + d(0, 3) * 0.25, y = d(-80, 500) + d(0, 3) * 0.25;
            setColours(draws(), draws());
            switch (d(0, 9)) {
            case 0: drawText(x, y, "SCORE: 1234 \x01\xDB\xFF hostage"); break;
            case 1: fillBox(x, y, x + d(-40, 40), y + d(-40, 40)); break;
            case 2: drawLine(x, y, d(-100, 700), y); break;
            case 3: if (n % 500 == 0) clearScreen(); break;
            default:
                drawImage(x, y, images[d(0, 19)], static_cast<DrawMode>(d(0, 2)), d(0, 6) ? d(0, 255) : d(0, 1) * 300 - 20);
            }
        }
        if (path == DrawPath::plain) plain = screenCopy();
        else EXPECT_TRUE(screenCopy() == plain) << "path " << int(path);
    }
    setDrawPath(bestDrawPath());
}

// Random levels up to the full grid, shots anywhere (on cell edges, outside the
// grid, all 42 over solid cells at once), spark 0 alive, free or brought back by
// a burst mid-pass: the indexed pass frees, bursts and bounces exactly as the
// loop over every solid cell.
TEST(Draw, IndexedSolidPassGivesTheEventsOfTheLoop) {
    freshGame();
    std::mt19937 rng(2024);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    struct State {
        Shot player[shotCount], enemy[shotCount];
        Particle sparks[particleCount];
        RandomState random;
    };
    // Copies the tables in, runs the pass, copies them out: byte for byte, padding too.
    auto run = [](void (*pass)(), const State& from) {
        State s;
        std::memcpy(&s, &from, sizeof s);
        std::memcpy(playerShots, s.player, sizeof playerShots), std::memcpy(enemyShots, s.enemy, sizeof enemyShots);
        std::memcpy(particles, s.sparks, sizeof particles), std::memcpy(&randomState, &s.random, sizeof randomState);
        pass();
        std::memcpy(s.player, playerShots, sizeof playerShots), std::memcpy(s.enemy, enemyShots, sizeof enemyShots);
        std::memcpy(s.sparks, particles, sizeof particles), std::memcpy(&s.random, &randomState, sizeof randomState);
        return s;
    };
    int freed = 0, reborn = 0;
    for (int trial = 0; trial < 600; ++trial) {
        std::memset(&mapGrid, 0, sizeof mapGrid);
        const bool crowded = trial % 50 == 25;
        mapWidth = trial % 50 == 0 ? gridSize : crowded ? 40 : pick(1, 40);
        mapHeight = trial % 50 == 0 ? gridSize : crowded ? 40 : pick(1, 40);
        const int density = crowded ? 100 : pick(0, 100);
        for (int y = 0; y < mapHeight; ++y)
            for (int x = 0; x < mapWidth; ++x)
                if (pick(0, 99) < density) mapCell(x, y) = MapCell{31, static_cast<std::int8_t>(pick(0, 2) ? 1 : -2), 0};
        buildSolidList();
        State start{};
        seedRandom(trial);
        start.random = randomState;
        auto at = [&](int span) {
            const int kind = pick(0, 9);
            if (crowded) return pick(0, span - 64);
            return kind == 0 ? pick(-2000000000, 2000000000) : kind == 1 ? 32 * pick(-2, span / 32 + 2) - pick(0, 12) : pick(-100, span + 60);
        };
        for (int k = 0; k < shotCount; ++k) {
            if (pick(0, 3) || crowded) start.player[k] = Shot{1, at(32 * mapWidth), at(32 * mapHeight), 2, 0, 100, 0};
            if (pick(0, 3) || crowded) start.enemy[k] = Shot{1, at(32 * mapWidth), at(32 * mapHeight), 0, 1, 500, pick(0, 1)};
        }
        for (int i = 1; i < particleCount; ++i) start.sparks[i].active = pick(0, 4) == 0;
        start.sparks[0] = Particle{pick(0, 2) != 0, 0, 32, pick(-60, 32 * mapWidth + 20) + pick(0, 8) * 0.125,
                                   pick(-60, 32 * mapHeight + 20) + pick(0, 8) * 0.125, pick(0, 1) ? 0.75 : -0.5,
                                   pick(0, 1) ? 0.25 : -1.0, 0};
        const State loop = run(solidPassDirect, start), indexed = run(solidPass, start);
        ASSERT_EQ(std::memcmp(&loop, &indexed, offsetof(State, random) + sizeof(RandomState)), 0) << "trial " << trial;
        for (int k = 0; k < shotCount; ++k) freed += start.player[k].active - loop.player[k].active;
        reborn += !start.sparks[0].active && loop.sparks[0].active;
    }
    EXPECT_GT(freed, 1000);  // the random cases reach every kind of event
    EXPECT_GT(reborn, 30);
}

}  // namespace
