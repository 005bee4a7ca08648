#include <cmath>
#include <utility>

#include <gtest/gtest.h>

#include "play/collide.h"
#include "play/particles.h"

TEST(CollideCornerTest, EdgesAreInclusiveOnBothSides) {
    EXPECT_EQ(cornerTest(0, 0, 0, 0, shotBox, tileBox), 15);
    EXPECT_EQ(cornerTest(24, 0, 0, 0, shotBox, tileBox), 15);  // right edge at 31, still inside
    EXPECT_EQ(cornerTest(25, 0, 0, 0, shotBox, tileBox), 5);   // right corners at 32 are outside
    EXPECT_EQ(cornerTest(10, -4, 0, 0, shotBox, tileBox), 12);
    EXPECT_EQ(cornerTest(10, 28, 0, 0, shotBox, tileBox), 3);
    EXPECT_EQ(cornerTest(-7, 10, 0, 0, shotBox, tileBox), 10);  // only the right edge (x 0) inside
    EXPECT_EQ(cornerTest(-8, 10, 0, 0, shotBox, tileBox), 0);
    EXPECT_EQ(cornerTest(-7, -7, 0, 0, shotBox, tileBox), 8);   // a single corner on B's corner
}

TEST(CollideCornerTest, OnlyTheCornersOfTheFirstBoxCount) {
    // The shot lies inside the cell, but no corner of the cell lies inside the shot.
    EXPECT_EQ(cornerTest(0, 0, 10, 10, tileBox, shotBox), 0);
    // A plus-shaped crossing has no corner of A inside B.
    const HitBox tall{0, 0, 3, 40};
    const HitBox wide{0, 0, 40, 3};
    EXPECT_EQ(cornerTest(10, -5, 0, 10, tall, wide), 0);
    // Two neighbouring cells touch only when they share a column.
    EXPECT_EQ(cornerTest(0, 0, 32, 0, tileBox, tileBox), 0);
    EXPECT_EQ(cornerTest(0, 0, 31, 0, tileBox, tileBox), 10);
    EXPECT_EQ(cornerTest(31, 0, 0, 0, tileBox, tileBox), 5);
}

TEST(CollideCornerTest, OffsetsOfTheBoxesMoveTheirEdges) {
    // The crouching box starts 15 lower and 1 to the right of its position.
    EXPECT_EQ(cornerTest(289, 303, 288, 288, pointBox, playerCrouchingBox), 15);
    EXPECT_EQ(cornerTest(288, 303, 288, 288, pointBox, playerCrouchingBox), 0);
    EXPECT_EQ(cornerTest(289, 302, 288, 288, pointBox, playerCrouchingBox), 0);
    EXPECT_EQ(cornerTest(339, 351, 288, 288, pointBox, playerCrouchingBox), 15);
    EXPECT_EQ(cornerTest(340, 351, 288, 288, pointBox, playerCrouchingBox), 0);
    // A cell whose top row meets the crouching box's bottom row, seen from above.
    EXPECT_EQ(cornerTest(300, 351, 288, 290, tileBox, playerCrouchingBox), 3);
}

TEST(CollideCentreTest, CentreIsRoundedDownAndEdgesInclusive) {
    EXPECT_EQ(centreInBox(-3, -3, 0, 0, shotBox, tileBox), 1);  // centre on the corner
    EXPECT_EQ(centreInBox(-4, -3, 0, 0, shotBox, tileBox), 0);
    EXPECT_EQ(centreInBox(-3, -4, 0, 0, shotBox, tileBox), 0);
    EXPECT_EQ(centreInBox(28, 28, 0, 0, shotBox, tileBox), 1);  // centre (31, 31)
    EXPECT_EQ(centreInBox(29, 28, 0, 0, shotBox, tileBox), 0);
    // The bomb's centre is 7 below its top.
    EXPECT_EQ(centreInBox(0, -7, 0, 0, bombBox, tileBox), 1);
    EXPECT_EQ(centreInBox(0, -8, 0, 0, bombBox, tileBox), 0);
    // The second box's offsets count.
    EXPECT_EQ(centreInBox(286, 300, 288, 288, shotBox, playerCrouchingBox), 1);  // centre (289, 303)
    EXPECT_EQ(centreInBox(285, 300, 288, 288, shotBox, playerCrouchingBox), 0);
    EXPECT_EQ(centreInBox(286, 299, 288, 288, shotBox, playerCrouchingBox), 0);
    // Odd widths halve downwards, also when negative (arithmetic shift).
    EXPECT_EQ(centreInBox(0, 0, 0, 0, HitBox{0, 0, -3, 0}, pointBox), 0);   // centre x -2
    EXPECT_EQ(centreInBox(2, 0, 0, 0, HitBox{0, 0, -3, 0}, pointBox), 1);
}

TEST(CollideCentreTest, CentreInCellIsTheSquareOfATile) {
    EXPECT_EQ(centreInCell(100 + 28, 50, 100, 50, shotBox), 1);  // centre at x2 + 31
    EXPECT_EQ(centreInCell(100 + 29, 50, 100, 50, shotBox), 0);  // centre at x2 + 32
    EXPECT_EQ(centreInCell(100, 50 - 3, 100, 50, shotBox), 1);
    EXPECT_EQ(centreInCell(100, 50 - 4, 100, 50, shotBox), 0);
    EXPECT_EQ(centreInCell(-40, -40, -40, -40, bombBox), 1);  // negative world positions
    for (int x = -10; x < 40; ++x)
        for (int y = -10; y < 40; ++y)
            ASSERT_EQ(centreInCell(x, y, 0, 0, bombBox), centreInBox(x, y, 0, 0, bombBox, tileBox));
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    for (auto [v, want] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.49, 2}, {2.51, 3}, {-2.51, -3}})
        EXPECT_EQ(roundHalfEven(v), want) << v;
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);
    EXPECT_EQ(roundHalfEven(1e300), 1 << 30);
}
