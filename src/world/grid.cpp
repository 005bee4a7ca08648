// Operations that read and change the map grid during play; the solid list.
#include <algorithm>

#include "world/catalogue.h"

SolidCell solidList[solidCapacity];
std::int32_t solidLast = -1;
std::int32_t solidIndex[gridSize][gridSize];

namespace {

// The map area, never larger than the grid.
int areaWidth() { return std::clamp(mapWidth, 0, gridSize); }
int areaHeight() { return std::clamp(mapHeight, 0, gridSize); }

bool isSolid(const MapCell& c) { return c.block == 1 || c.block < 0; }

}  // namespace

std::int32_t solidIndexAt(int x, int y) {
    if (!insideGrid(x, y)) return -1;
    const std::int32_t i = solidIndex[y][x];
    if (i < 0 || i > solidLast || solidList[i].cellX != x || solidList[i].cellY != y) return -1;
    return i;
}

// Lists every solid cell of the map area, row by row, and refreshes the cell
// index table. Called on events only (mission start, doors, broken blocks, the
// exit beam), never per frame. Returns and keeps in solidLast the last index.
std::int32_t buildSolidList() {
    std::fill(&solidIndex[0][0], &solidIndex[0][0] + gridSize * gridSize, -1);
    std::int32_t n = 0;
    const int w = areaWidth(), h = areaHeight();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!isSolid(mapCell(x, y))) continue;
            solidList[n] = SolidCell{x, y, 32 * x - 32, 32 * y - 32, contactKind::solid};
            solidIndex[y][x] = n;
            ++n;
        }
    }
    return solidLast = n - 1;
}

// Removes a tile and its solidity from the whole map area; the overlay stays.
// The solid list is left as it is until its next rebuild.
void clearTileEverywhere(std::uint8_t code) {
    const int w = areaWidth(), h = areaHeight();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            MapCell& c = mapCell(x, y);
            if (c.tile == code) {
                c.tile = 0;
                c.block = 0;
            }
        }
}

// Makes every cell with this tile passable; the tile stays and is still drawn.
void unblockTile(std::uint8_t code) {
    const int w = areaWidth(), h = areaHeight();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mapCell(x, y).tile == code) mapCell(x, y).block = 0;
}

TileHint tileHints[256];

// The objective is tested every frame; remembering where a tile was last seen
// makes that test cost nothing while the cell still holds it, so the frame's
// cost does not grow with the map. Any write to the grid is allowed: a stale
// hint only leads to a fresh scan.
bool anyTile(std::uint8_t code) {
    TileHint& hint = tileHints[code];
    const int w = areaWidth(), h = areaHeight();
    if (hint.x < w && hint.y < h && mapCell(hint.x, hint.y).tile == code) return true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mapCell(x, y).tile == code) {
                hint = TileHint{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)};
                return true;
            }
    return false;
}

std::int32_t countTile(std::uint8_t code) {
    std::int32_t n = 0;
    const int w = areaWidth(), h = areaHeight();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) n += mapCell(x, y).tile == code;
    return n;
}

// One streamer hit on a solid contact of this frame: only breakable cells
// count; the last hit clears the cell, rebuilds the solid list and returns
// true, so the caller can set off the explosion.
bool hitBreakable(const Contact& object) {
    if (!insideGrid(object.cellX, object.cellY)) return false;
    MapCell& c = mapCell(object.cellX, object.cellY);
    if (c.block >= 0) return false;
    c.block = static_cast<std::int8_t>(c.block + 1);
    if (c.block != 0) return false;
    c.tile = 0;
    buildSolidList();
    return true;
}

// Hangs the exit beam in the start column from the map's top row down to the
// first cell that is not passable, then rebuilds the solid list (which also
// drops cells cleared since the last rebuild).
void placeExitBeam() {
    const int x = view.startCellX + 10;
    if (x >= 0 && x < gridSize) {
        const int h = areaHeight();
        for (int y = 0; y < h; ++y) {
            MapCell& c = mapCell(x, y);
            if (c.block != 0) break;
            c.tile = tileCode::exitBeam;
        }
    }
    buildSolidList();
}
