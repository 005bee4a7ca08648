// The box tests every contact is decided by: edges inclusive on both sides,
// box offsets counted, centres rounded down; and the rounding of spark positions.
#include <cmath>
#include <utility>

#include <gtest/gtest.h>

#include "play/collide.h"
#include "play/particles.h"

namespace {
constexpr HitBox tall{0, 0, 3, 40}, wide{0, 0, 40, 3}, odd{0, 0, -3, 0};
}

TEST(Collide, CornerTest) {
    const struct {
        int x1, y1, x2, y2;
        const HitBox &a, &b;
        int corners;
    } table[] = {
        {0, 0, 0, 0, shotBox, tileBox, 15},      {24, 0, 0, 0, shotBox, tileBox, 15},  // right edge at 31, inside
        {25, 0, 0, 0, shotBox, tileBox, 5},      {10, -4, 0, 0, shotBox, tileBox, 12},
        {10, 28, 0, 0, shotBox, tileBox, 3},     {-7, 10, 0, 0, shotBox, tileBox, 10},
        {-8, 10, 0, 0, shotBox, tileBox, 0},     {-7, -7, 0, 0, shotBox, tileBox, 8},  // one corner on B's corner
        {0, 0, 10, 10, tileBox, shotBox, 0},     // B inside A: only A's corners count
        {10, -5, 0, 10, tall, wide, 0},          // a plus-shaped crossing
        {0, 0, 32, 0, tileBox, tileBox, 0},      {0, 0, 31, 0, tileBox, tileBox, 10},
        {31, 0, 0, 0, tileBox, tileBox, 5},      // the crouching box starts 15 lower and 1 to the right
        {289, 303, 288, 288, pointBox, playerCrouchingBox, 15}, {288, 303, 288, 288, pointBox, playerCrouchingBox, 0},
        {289, 302, 288, 288, pointBox, playerCrouchingBox, 0},  {339, 351, 288, 288, pointBox, playerCrouchingBox, 15},
        {340, 351, 288, 288, pointBox, playerCrouchingBox, 0},  {300, 351, 288, 290, tileBox, playerCrouchingBox, 3},
    };
    for (const auto& c : table)
        EXPECT_EQ(cornerTest(c.x1, c.y1, c.x2, c.y2, c.a, c.b), c.corners) << c.x1 << "," << c.y1 << " in " << c.x2 << "," << c.y2;
}

TEST(Collide, CentreInBox) {
    const struct {
        int x1, y1, x2, y2;
        const HitBox &a, &b;
        int inside;
    } table[] = {
        {-3, -3, 0, 0, shotBox, tileBox, 1},  {-4, -3, 0, 0, shotBox, tileBox, 0},  {-3, -4, 0, 0, shotBox, tileBox, 0},
        {28, 28, 0, 0, shotBox, tileBox, 1},  {29, 28, 0, 0, shotBox, tileBox, 0},  // centre (31, 31), (32, 31)
        {0, -7, 0, 0, bombBox, tileBox, 1},   {0, -8, 0, 0, bombBox, tileBox, 0},   // the bomb's centre is 7 down
        {286, 300, 288, 288, shotBox, playerCrouchingBox, 1}, {285, 300, 288, 288, shotBox, playerCrouchingBox, 0},
        {286, 299, 288, 288, shotBox, playerCrouchingBox, 0},
        {0, 0, 0, 0, odd, pointBox, 0},       {2, 0, 0, 0, odd, pointBox, 1},       // odd widths halve downwards
        {-40, -40, -40, -40, bombBox, tileBox, 1}, {-3, -3, 0, 0, shotBox, enemyBox, 1},
    };
    for (const auto& c : table)
        EXPECT_EQ(centreInBox(c.x1, c.y1, c.x2, c.y2, c.a, c.b), c.inside) << c.x1 << "," << c.y1 << " in " << c.x2 << "," << c.y2;
    EXPECT_EQ(centreInCell(128, 50, 100, 50, shotBox), 1);
    EXPECT_EQ(centreInCell(129, 50, 100, 50, shotBox), 0);
}

TEST(Collide, SparkPositionsRoundHalvesToEven) {
    for (auto [v, want] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.49, 2}, {2.51, 3}, {-2.51, -3}})
        EXPECT_EQ(roundHalfEven(v), want) << v;
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);
    EXPECT_EQ(roundHalfEven(1e300), 1 << 30);
}
