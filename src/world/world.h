// The level: the map grid and its loader, the operations that change it during
// play, the solid list, the camera and the drawing of the scene.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

constexpr int gridSize = 201;

struct MapCell {
    std::uint8_t tile;     // picture slot and role; 0 = empty
    std::int8_t block;     // 0 passable, 1 solid, -n breakable (n hits left)
    std::uint8_t overlay;  // picture slot drawn over the player; 0 = none
};
static_assert(sizeof(MapCell) == 3);

struct MapGrid {
    MapCell cells[gridSize][gridSize];  // [y][x]
};

extern MapGrid mapGrid;
extern std::int32_t mapWidth;
extern std::int32_t mapHeight;

inline bool insideGrid(int x, int y) { return x >= 0 && y >= 0 && x < gridSize && y < gridSize; }
// Callers stay inside the grid.
inline MapCell& mapCell(int x, int y) { return mapGrid.cells[y][x]; }
// Any position: cells outside the grid read as empty.
inline MapCell cellAt(int x, int y) { return insideGrid(x, y) ? mapGrid.cells[y][x] : MapCell{0, 0, 0}; }

// The camera, which is also the player's position.
struct View {
    std::int32_t cellX, cellY;
    std::int32_t offsetX, offsetY;  // -31..31
    std::int32_t startCellX, startCellY;
};
extern View view;
// World position of the screen's top-left pixel, taken once per frame.
extern std::int32_t viewX;
extern std::int32_t viewY;
void computeViewPosition();  // viewX = 32 cellX - offsetX, viewY = 32 cellY + offsetY

// Contact kinds: what touching a listed cell does. Not tile codes (those are
// tileCode::, in catalogue.h), though a hostage happens to share its number.
namespace contactKind {
constexpr int exitBeam = 5, crystal = 6, hazard = 7, diamond = 8, solid = 9, keyA = 10, keyB = 11,
              hostage = 70;
}

struct Contact {
    std::int32_t cellX, cellY;
    std::int32_t screenX, screenY;
    std::int32_t kind;
};
// Room for every cell a screen can show (17 x 22), so no visible cell is lost.
constexpr int contactCapacity = 17 * 22;
extern Contact contacts[contactCapacity];
extern std::int32_t contactLast;  // last entry written by the latest drawBackground

struct SolidCell {
    std::int32_t cellX, cellY;
    std::int32_t worldX, worldY;
    std::int32_t kind;
};
// Room for every cell of a full grid, so no solid cell is ever left out.
constexpr int solidCapacity = gridSize * gridSize;
extern SolidCell solidList[solidCapacity];
extern std::int32_t solidLast;  // last entry of the latest buildSolidList
// Each grid cell's index in the solid list of the latest buildSolidList, -1
// when the cell is not in it ([y][x]), so a shot's cell is found directly.
extern std::int32_t solidIndex[gridSize][gridSize];
// The solid-list index of cell (x, y), or -1: outside the grid, not solid at
// the latest rebuild, or the list was reset since (an entry past solidLast).
std::int32_t solidIndexAt(int x, int y);

// ---- level files
// Reads "level<N>\map.bmp" into the grid, fills `enemies`, sets the view.
// The part of a larger picture that fits the grid is loaded; mapWidth and
// mapHeight are clamped to 0..gridSize, so whole-map walks stay in the grid.
void loadLevelMap(std::int32_t missionNumber);
// The same from any map picture, named as the game names files (or an absolute path).
void loadLevelMapFile(const char* name);
// The same from a map picture's `size` bytes at `data`, for the tools that hold it in memory.
void loadLevelMapBytes(const std::uint8_t* data, std::size_t size);
// The cells of a map picture's `size` bytes at `data` as the loaders read
// them, without placing them: pixel(x, y, r, g, b) for each cell that fits
// the grid, in the loaders' order (the bottom row first, each row left to
// right), the order that decides which markers the game keeps.
void readMapPixels(const std::uint8_t* data, std::size_t size,
                   const std::function<void(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b)>& pixel);

// ---- grid operations (walk the map area only)
std::int32_t buildSolidList();  // also stores the result in solidLast
void clearTileEverywhere(std::uint8_t code);
void unblockTile(std::uint8_t code);
std::int32_t countTile(std::uint8_t code);
// countTile(code) != 0, in constant time while the cell it last found keeps the tile.
bool anyTile(std::uint8_t code);
struct TileHint {
    std::uint8_t x, y;  // a cell of the map area that held the tile when last looked at
};
extern TileHint tileHints[256];
// True when this hit broke the block (its cell is now empty).
bool hitBreakable(const Contact& object);
void placeExitBeam();

// ---- scene
std::int32_t drawBackground(std::int32_t cellX, std::int32_t cellY, std::int32_t offsetX,
                            std::int32_t offsetY);  // also stores the result in contactLast
// The contact list of drawBackground without the drawing (same entries, same order).
std::int32_t listContacts(std::int32_t cellX, std::int32_t cellY, std::int32_t offsetX,
                          std::int32_t offsetY);
// The contact kind a visible tile gives (doors by the keys held), 0 for none.
int contactKindOf(int tile);
void drawSky(std::int32_t cellY, std::int32_t offsetY);
void drawOverlay(std::int32_t cellX, std::int32_t cellY, std::int32_t offsetX, std::int32_t offsetY);
void normalizeView();
