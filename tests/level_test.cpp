#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "play/enemies.h"
#include "support/map_builder.h"
#include "support/test_support.h"
#include "world/world.h"

namespace {

// A clean game whose data folder is a fresh temporary folder.
std::string freshFolder() {
    freshGame();
    std::string folder = testTempFolder();
    setDataFolder(folder.c_str());
    return folder;
}

// Writes the map of mission 1 from rows (top row first) and loads it.
void loadRows(const std::vector<std::string>& rows, const std::map<char, Rgb>& legend = defaultLegend()) {
    const std::string folder = freshFolder();
    writeMapBmp(folder + "/level1/map.bmp", rows, legend);
    resetEnemies();
    loadLevelMap(1);
}

void loadBytes(const std::vector<std::uint8_t>& bytes) {
    const std::string folder = freshFolder();
    writeFileBytes(folder + "/level1/map.bmp", bytes);
    resetEnemies();
    loadLevelMap(1);
}

void putInt32(std::vector<std::uint8_t>& bytes, int offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

bool gridEmptyOutside(int width, int height) {
    for (int y = 0; y < gridSize; ++y)
        for (int x = 0; x < gridSize; ++x) {
            if (x < width && y < height) continue;
            const MapCell c = mapCell(x, y);
            if (c.tile || c.block || c.overlay) return false;
        }
    return true;
}

int countCells(std::uint8_t tile) {
    int n = 0;
    for (int y = 0; y < gridSize; ++y)
        for (int x = 0; x < gridSize; ++x) n += mapCell(x, y).tile == tile;
    return n;
}

void expectCell(int x, int y, int tile, int block, int overlay) {
    const MapCell c = mapCell(x, y);
    EXPECT_EQ(c.tile, tile) << "cell (" << x << ", " << y << ")";
    EXPECT_EQ(c.block, block) << "cell (" << x << ", " << y << ")";
    EXPECT_EQ(c.overlay, overlay) << "cell (" << x << ", " << y << ")";
}

// Each test reads its maps from a folder of its own; the data folder is put back afterwards.
class LevelFiles : public ::testing::Test {
protected:
    void SetUp() override { savedFolder_ = dataFolder(); }
    void TearDown() override { setDataFolder(savedFolder_.c_str()); }

private:
    std::string savedFolder_;
};
using LevelLoader = LevelFiles;
using EnemyTable = LevelFiles;

}  // namespace

TEST_F(LevelLoader, EveryColourGivesItsCell) {
    std::map<char, Rgb> legend = defaultLegend();
    legend['?'] = {1, 2, 3};  // a colour of no meaning
    // Every terrain colour, then white and a colour of no meaning.
    loadRows({"#grfbBGHdckKlLhwsoivp.?", "#######################"}, legend);
    EXPECT_EQ(mapWidth, 23);
    EXPECT_EQ(mapHeight, 2);
    const struct {
        int tile, block, overlay;
    } expected[] = {{31, 1, 0},  {30, 1, 0},  {33, 1, 0},  {36, 1, 0},  {35, -3, 0}, {37, 1, 0},
                    {38, -3, 0}, {39, -3, 0}, {18, 0, 0},  {19, 0, 0},  {60, 0, 0},  {61, 0, 0},
                    {64, 1, 0},  {65, 1, 0},  {70, 0, 0},  {45, 0, 0},  {25, 0, 0},  {44, 0, 0},
                    {40, 0, 0},  {41, 0, 0},  {42, 0, 43}, {0, 0, 0},   {0, 0, 0}};
    for (int x = 0; x < 23; ++x) {
        expectCell(x, 0, expected[x].tile, expected[x].block, expected[x].overlay);
        expectCell(x, 1, 31, 1, 0);
    }
    EXPECT_EQ(static_cast<std::uint8_t>(mapCell(4, 0).block), 253);
    EXPECT_TRUE(gridEmptyOutside(23, 2));
}

TEST_F(LevelLoader, WorkedExampleFourByTwo) {
    // The file's first row (the map's bottom row) is four black pixels.
    loadRows({".Pd.", "####"});
    EXPECT_EQ(mapWidth, 4);
    EXPECT_EQ(mapHeight, 2);
    for (int x = 0; x < 4; ++x) expectCell(x, 1, 31, 1, 0);
    expectCell(2, 0, 18, 0, 0);
    expectCell(0, 0, 0, 0, 0);
    expectCell(1, 0, 0, 0, 0);  // the start marker's cell stays empty
    expectCell(3, 0, 0, 0, 0);
    EXPECT_EQ(view.cellX, -9);
    EXPECT_EQ(view.cellY, -10);
    EXPECT_EQ(view.offsetX, 0);
    EXPECT_EQ(view.offsetY, 0);
    EXPECT_EQ(view.startCellX, -9);
    EXPECT_EQ(view.startCellY, -10);
    EXPECT_TRUE(gridEmptyOutside(4, 2));
}

TEST_F(LevelLoader, MarkersInFileOrderAndTheLastStartWins) {
    loadRows({
        "P..P....",  // y 0: the highest row with starts; its rightmost one wins
        ".P......",  // y 1
        "WF#T....",  // y 2: turret right of a wall faces right
        "TS.N.iT.",  // y 3: turret in column 0 faces left, right of scenery faces right
        "ST......",  // y 4: turret right of another marker faces left
    });
    EXPECT_EQ(view.cellX, 3 - 10);
    EXPECT_EQ(view.cellY, 0 - 10);
    EXPECT_EQ(view.offsetX, 0);
    EXPECT_EQ(view.startCellX, -7);
    EXPECT_EQ(view.startCellY, -10);

    // Bottom row first, left to right within a row.
    const struct {
        int type, x, y, picture, dirX, hitPoints, fireThreshold;
    } expected[] = {
        {3, 0, 4, 26, 1, 20, 990},  {2, 1, 4, 24, -1, 5, 980}, {2, 0, 3, 24, -1, 5, 980},
        {3, 1, 3, 26, 1, 20, 990},  {99, 3, 3, 50, -1, 1, 0},  {2, 6, 3, 23, 1, 5, 980},
        {0, 0, 2, 20, -1, 3, 995},  {1, 1, 2, 22, -1, 3, 995}, {2, 3, 2, 23, 1, 5, 980},
    };
    for (int i = 0; i < 9; ++i) {
        const Enemy& e = enemies[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(e.type, expected[i].type);
        EXPECT_EQ(e.cellX, expected[i].x);
        EXPECT_EQ(e.cellY, expected[i].y);
        EXPECT_EQ(e.homeX, expected[i].x);
        EXPECT_EQ(e.homeY, expected[i].y);
        EXPECT_EQ(e.posX, 32 * expected[i].x);
        EXPECT_EQ(e.posY, 32 * (expected[i].y - 1));
        EXPECT_EQ(e.stepX, 0);
        EXPECT_EQ(e.stepY, 0);
        EXPECT_EQ(e.picture, expected[i].picture);
        EXPECT_EQ(e.dirX, expected[i].dirX);
        EXPECT_EQ(e.hitPoints, expected[i].hitPoints);
        EXPECT_EQ(e.fireThreshold, expected[i].fireThreshold);
        if (e.type == enemyType::snake) {
            EXPECT_EQ(e.dirY, 0);
            EXPECT_EQ(e.turnStep, 1);
        }
        EXPECT_EQ(mapCell(expected[i].x, expected[i].y).tile, 0);  // marker cells stay empty
    }
    EXPECT_EQ(enemies[9].hitPoints, 0);
}

TEST_F(LevelLoader, RowsOfAnyWidthLoadAsDrawn) {
    // Widths 5 and 7 carry row padding in every BMP writer.
    loadRows({"d...#", ".d..#", "..d.#"});
    EXPECT_EQ(mapWidth, 5);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const int tile = x == 4 ? 31 : x == y ? 18 : 0;
            EXPECT_EQ(mapCell(x, y).tile, tile) << x << ", " << y;
        }
    loadRows({"#.....d", "d.....#"});
    expectCell(0, 0, 31, 1, 0);
    expectCell(6, 0, 18, 0, 0);
    expectCell(0, 1, 18, 0, 0);
    expectCell(6, 1, 31, 1, 0);
    EXPECT_TRUE(gridEmptyOutside(7, 2));
}

TEST_F(LevelLoader, FileCutShortTurnsIntoSolidBlocks) {
    std::vector<std::uint8_t> bytes = mapBmpBytes({"....", "....", "....", "...."});
    bytes.resize(54 + 12 + 6);  // the first file row and two pixels of the second
    loadBytes(bytes);
    EXPECT_EQ(mapWidth, 4);
    EXPECT_EQ(mapHeight, 4);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(mapCell(x, 3).tile, 0);
    EXPECT_EQ(mapCell(0, 2).tile, 0);
    EXPECT_EQ(mapCell(1, 2).tile, 0);
    for (int x = 2; x < 4; ++x) expectCell(x, 2, 31, 1, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) expectCell(x, y, 31, 1, 0);

    // A file that ends inside the width: the missing bytes read as 0, so the
    // width keeps its low bytes and the height is 0.
    bytes.resize(20);
    loadBytes(bytes);
    EXPECT_EQ(mapWidth, 4);
    EXPECT_EQ(mapHeight, 0);
    EXPECT_TRUE(gridEmptyOutside(0, 0));
}

TEST_F(LevelLoader, MissingFileKeepsThePreviousMapSizeAndView) {
    loadRows({".Pd.", "####"});
    const View before = view;
    enemies[0].hitPoints = 3;
    resetEnemies();
    loadLevelMap(2);
    EXPECT_EQ(mapWidth, 4);
    EXPECT_EQ(mapHeight, 2);
    EXPECT_EQ(std::memcmp(&view, &before, sizeof view), 0);
    EXPECT_TRUE(gridEmptyOutside(0, 0));
    EXPECT_EQ(enemies[0].hitPoints, 0);
}

TEST_F(LevelLoader, MapLargerThanTheGridLoadsThePartThatFits) {
    // 205 x 203: the top-left 201 x 201 cells land in the grid. A diagonal of
    // diamonds shows that every row stays aligned.
    std::vector<std::string> rows(203, std::string(205, '.'));
    for (int i = 0; i < 203; ++i) rows[i][i] = 'd';
    rows[0][204] = 'P';   // beyond the right edge: no start
    rows[202][0] = 'W';   // beyond the bottom: no enemy
    rows[201][200] = '#';
    loadRows(rows);
    EXPECT_EQ(mapWidth, 201);
    EXPECT_EQ(mapHeight, 201);
    for (int i = 0; i < gridSize; ++i) EXPECT_EQ(mapCell(i, i).tile, 18) << i;
    EXPECT_EQ(countCells(18), 201);
    EXPECT_EQ(countCells(31), 0);
    EXPECT_EQ(enemies[0].hitPoints, 0);
    EXPECT_EQ(view.cellX, 0);
    EXPECT_EQ(view.cellY, 0);
}

TEST_F(LevelLoader, LyingHeadersReadOnlyWhatTheGridHolds) {
    std::vector<std::uint8_t> bytes = mapBmpBytes({"d.#."});

    // Two billion rows of one pixel: the rows that would land in the grid lie
    // past the end, so they are black; the loader stops at the grid.
    putInt32(bytes, 18, 1);
    putInt32(bytes, 22, 2000000000);
    loadBytes(bytes);
    EXPECT_EQ(mapWidth, 1);
    EXPECT_EQ(mapHeight, 201);
    for (int y = 0; y < gridSize; ++y) expectCell(0, y, 31, 1, 0);
    EXPECT_TRUE(gridEmptyOutside(1, 201));

    // The widest picture: the first row's bytes fill 201 cells, the next row
    // starts far past the end of the file.
    putInt32(bytes, 18, 0x7fffffff);
    putInt32(bytes, 22, 2);
    loadBytes(bytes);
    EXPECT_EQ(mapWidth, 201);
    EXPECT_EQ(mapHeight, 2);
    expectCell(0, 1, 18, 0, 0);
    expectCell(1, 1, 0, 0, 0);
    expectCell(2, 1, 31, 1, 0);
    for (int x = 4; x < gridSize; ++x) expectCell(x, 1, 31, 1, 0);  // past the end: black
    for (int x = 0; x < gridSize; ++x) expectCell(x, 0, 31, 1, 0);

    // Sizes of 0 or less read no pixel.
    for (const auto& [w, h] : std::initializer_list<std::pair<int, int>>{{-4, 1}, {4, -1}, {0, 1}, {4, 0}, {-1, -1}}) {
        putInt32(bytes, 18, w);
        putInt32(bytes, 22, h);
        loadBytes(bytes);
        EXPECT_EQ(mapWidth, std::max(w, 0));
        EXPECT_EQ(mapHeight, std::max(h, 0));
        EXPECT_TRUE(gridEmptyOutside(0, 0)) << w << " x " << h;
    }
}

TEST_F(LevelLoader, EnemyMarkersBeyondTheTableAreIgnored) {
    freshGame();
    for (int i = 0; i < enemyTableSize; ++i) enemies[i].type = 1234;
    // 300 walkers: an 8-bit counter would wrap and overwrite the first ones.
    std::vector<std::string> rows(2, std::string(150, 'W'));
    const std::string folder = testTempFolder();
    setDataFolder(folder.c_str());
    writeMission(folder, 1, rows);
    resetEnemies();
    loadLevelMap(1);
    for (int i = 0; i < enemiesInPlay; ++i) {
        EXPECT_EQ(enemies[i].type, enemyType::walker);
        EXPECT_EQ(enemies[i].hitPoints, 3);
        EXPECT_EQ(enemies[i].cellX, i);  // the bottom row, left to right
        EXPECT_EQ(enemies[i].cellY, 1);
    }
    for (int i = enemiesInPlay; i < enemyTableSize; ++i) EXPECT_EQ(enemies[i].type, 1234) << i;
}

TEST_F(EnemyTable, ResetTakesThePlayingEntriesOutOfPlay) {
    freshGame();
    for (int i = 0; i < enemyTableSize; ++i) {
        enemies[i] = Enemy{};
        enemies[i].hitPoints = 7;
        enemies[i].dirX = 1;
        enemies[i].dirY = 1;
        enemies[i].stepX = 5;
        enemies[i].stepY = -5;
        enemies[i].animFrame = 1;
        enemies[i].tick = 1;
        enemies[i].picture = 22;
    }
    resetEnemies();
    for (int i = 0; i < enemiesInPlay; ++i) {
        const Enemy& e = enemies[i];
        EXPECT_EQ(e.hitPoints, 0);
        EXPECT_EQ(e.dirX, -1);
        EXPECT_EQ(e.dirY, 0);
        EXPECT_EQ(e.stepX, 0);
        EXPECT_EQ(e.stepY, 0);
        EXPECT_EQ(e.animFrame, 0);
        EXPECT_EQ(e.tick, 0);
        EXPECT_EQ(e.picture, 22);  // left for the loader
    }
    EXPECT_EQ(enemies[enemiesInPlay].hitPoints, 7);

    // A smaller map than the last one: the surplus entries stay out of play.
    loadRows({"W.F."});
    writeMission(dataFolder(), 1, {"...N"});
    resetEnemies();
    loadLevelMap(1);
    EXPECT_EQ(enemies[0].type, enemyType::swan);
    EXPECT_EQ(enemies[0].hitPoints, 1);
    EXPECT_EQ(enemies[1].hitPoints, 0);
}
