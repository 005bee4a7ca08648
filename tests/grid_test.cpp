#include <gtest/gtest.h>

#include "support/test_support.h"
#include "world/world.h"

namespace {

void setCell(int x, int y, std::uint8_t tile, std::int8_t block, std::uint8_t overlay = 0) {
    mapCell(x, y) = MapCell{tile, block, overlay};
}

// A clean game with an empty map area of the given size.
void freshMap(int width, int height) {
    freshGame();
    mapWidth = width;
    mapHeight = height;
}

bool listed(int x, int y) {
    for (int i = 0; i <= solidLast; ++i)
        if (solidList[i].cellX == x && solidList[i].cellY == y) return true;
    return false;
}

}  // namespace

TEST(SolidList, RowByRowWithWorldCornersAndACellIndex) {
    freshMap(10, 6);
    EXPECT_EQ(buildSolidList(), -1);  // no solid cell
    EXPECT_EQ(solidLast, -1);

    setCell(1, 3, 31, 1);
    setCell(5, 2, 35, -3);
    setCell(3, 2, 30, 1);
    setCell(4, 2, 64, 0);  // an opened door: passable
    setCell(6, 2, 1, 2);   // positive values other than 1 do not count
    setCell(7, 4, 38, -1);
    setCell(10, 0, 31, 1);  // outside the map area
    EXPECT_EQ(buildSolidList(), 3);
    EXPECT_EQ(solidLast, 3);
    const SolidCell expected[] = {{3, 2, 64, 32, 9}, {5, 2, 128, 32, 9}, {1, 3, 0, 64, 9}, {7, 4, 192, 96, 9}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(solidList[i].cellX, expected[i].cellX);
        EXPECT_EQ(solidList[i].cellY, expected[i].cellY);
        EXPECT_EQ(solidList[i].worldX, expected[i].worldX);
        EXPECT_EQ(solidList[i].worldY, expected[i].worldY);
        EXPECT_EQ(solidList[i].kind, expected[i].kind);
        EXPECT_EQ(solidIndex[expected[i].cellY][expected[i].cellX], i);
        EXPECT_EQ(solidIndexAt(expected[i].cellX, expected[i].cellY), i);
    }
    EXPECT_EQ(solidIndexAt(4, 2), -1);
    EXPECT_EQ(solidIndexAt(10, 0), -1);
    EXPECT_EQ(solidIndexAt(-1, 2), -1);
    EXPECT_EQ(solidIndexAt(3, gridSize), -1);

    // A list reset by the mission start no longer answers for the old cells.
    solidLast = -1;
    EXPECT_EQ(solidIndexAt(3, 2), -1);
}

TEST(SolidList, HoldsEveryCellOfAFullGrid) {
    freshMap(gridSize, gridSize);
    for (int y = 0; y < gridSize; ++y)
        for (int x = 0; x < gridSize; ++x) setCell(x, y, 31, 1);
    EXPECT_EQ(buildSolidList(), gridSize * gridSize - 1);
    const SolidCell& last = solidList[solidCapacity - 1];
    EXPECT_EQ(last.cellX, 200);
    EXPECT_EQ(last.cellY, 200);
    EXPECT_EQ(last.worldX, 6368);
    EXPECT_EQ(solidIndexAt(200, 200), solidCapacity - 1);
    EXPECT_EQ(solidIndexAt(0, 1), gridSize);
}

TEST(GridOperations, ClearUnblockAndCountWalkOnlyTheMapArea) {
    freshMap(8, 4);
    setCell(1, 1, 37, 1);
    setCell(2, 1, 37, 1, 43);
    setCell(3, 3, 45, 0);
    setCell(8, 1, 37, 1);  // outside the map area: never touched
    setCell(0, 2, 64, 1);
    setCell(7, 3, 64, 1);
    setCell(5, 0, 65, 1);

    EXPECT_EQ(countTile(37), 2);
    EXPECT_EQ(countTile(64), 2);
    EXPECT_EQ(countTile(70), 0);

    buildSolidList();
    clearTileEverywhere(37);
    clearTileEverywhere(45);
    EXPECT_EQ(countTile(37), 0);
    EXPECT_EQ(countTile(45), 0);
    EXPECT_EQ(mapCell(1, 1).block, 0);
    EXPECT_EQ(mapCell(2, 1).block, 0);
    EXPECT_EQ(mapCell(2, 1).overlay, 43);
    EXPECT_EQ(mapCell(8, 1).tile, 37);
    EXPECT_TRUE(listed(1, 1));  // the list lags until its next rebuild

    unblockTile(64);
    EXPECT_EQ(mapCell(0, 2).tile, 64);
    EXPECT_EQ(mapCell(0, 2).block, 0);
    EXPECT_EQ(mapCell(7, 3).block, 0);
    EXPECT_EQ(mapCell(5, 0).block, 1);  // door B is unchanged
    buildSolidList();
    EXPECT_FALSE(listed(0, 2));
    EXPECT_FALSE(listed(1, 1));
    EXPECT_TRUE(listed(5, 0));
}

TEST(GridOperations, BreakableBlockFallsOnTheThirdHit) {
    freshMap(10, 10);
    setCell(4, 6, 35, -3);
    setCell(5, 6, 31, 1);
    setCell(6, 6, 64, 1);
    buildSolidList();
    const Contact block{4, 6, 12, 170, kind::solid};

    EXPECT_FALSE(hitBreakable(block));
    EXPECT_EQ(mapCell(4, 6).block, -2);
    EXPECT_FALSE(hitBreakable(block));
    EXPECT_EQ(mapCell(4, 6).block, -1);
    EXPECT_EQ(mapCell(4, 6).tile, 35);
    EXPECT_TRUE(listed(4, 6));

    EXPECT_TRUE(hitBreakable(block));
    EXPECT_EQ(mapCell(4, 6).tile, 0);
    EXPECT_EQ(mapCell(4, 6).block, 0);
    EXPECT_FALSE(listed(4, 6));
    EXPECT_EQ(solidIndexAt(4, 6), -1);

    // Walls, doors, empty cells and cells outside the grid take no damage.
    EXPECT_FALSE(hitBreakable(Contact{5, 6, 0, 0, kind::solid}));
    EXPECT_FALSE(hitBreakable(Contact{6, 6, 0, 0, kind::solid}));
    EXPECT_FALSE(hitBreakable(Contact{4, 6, 0, 0, kind::solid}));
    EXPECT_FALSE(hitBreakable(Contact{-1, 6, 0, 0, kind::solid}));
    EXPECT_FALSE(hitBreakable(Contact{3, gridSize, 0, 0, kind::solid}));
    EXPECT_EQ(mapCell(5, 6).block, 1);
    EXPECT_EQ(mapCell(6, 6).block, 1);
    EXPECT_EQ(mapCell(4, 6).block, 0);
}

TEST(GridOperations, ExitBeamHangsDownToTheFirstSolidCell) {
    freshMap(20, 12);
    view.startCellX = -3;  // start column 7
    setCell(7, 2, 18, 0);        // a diamond is replaced
    setCell(7, 3, 42, 0, 43);    // the plant's overlay stays
    setCell(7, 6, 31, 1);
    setCell(7, 9, 18, 0);        // below the floor: untouched
    setCell(1, 1, 37, 1);        // a barrier cleared below but still listed
    buildSolidList();
    mapCell(1, 1).block = 0;
    placeExitBeam();
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(mapCell(7, y).tile, 46) << y;
        EXPECT_EQ(mapCell(7, y).block, 0) << y;
    }
    EXPECT_EQ(mapCell(7, 3).overlay, 43);
    EXPECT_EQ(mapCell(7, 6).tile, 31);
    EXPECT_EQ(mapCell(7, 9).tile, 18);
    EXPECT_FALSE(listed(1, 1));  // rebuilt
    EXPECT_TRUE(listed(7, 6));

    // A solid cell in the top row: nothing placed.
    freshMap(20, 12);
    view.startCellX = -3;
    setCell(7, 0, 35, -3);
    placeExitBeam();
    EXPECT_EQ(countTile(46), 0);

    // A start column outside the grid places nothing and writes nothing.
    freshMap(20, 12);
    view.startCellX = 195;
    placeExitBeam();
    view.startCellX = -20;
    placeExitBeam();
    EXPECT_EQ(countTile(46), 0);
}

// The objective's constant-time test must agree with a full count whatever is
// written to the grid, and whatever the map size does after a hint was taken.
TEST(GridOperations, AnyTileAgreesWithCountTileUnderRandomWrites) {
    freshGame();
    mapWidth = 40;
    mapHeight = 30;
    std::uint32_t state = 12345;
    auto next = [&state](std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    };
    for (int step = 0; step < 20000; ++step) {
        const int x = static_cast<int>(next(45)), y = static_cast<int>(next(35));
        if (insideGrid(x, y)) mapCell(x, y).tile = next(3) == 0 ? 38 : 0;
        if (next(500) == 0) mapWidth = static_cast<std::int32_t>(next(45));
        ASSERT_EQ(anyTile(38), countTile(38) != 0) << "step " << step;
    }
}
