// Level files: "map.bmp" into the map grid, the enemy table and the view.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/bmp_format.h"
#include "platform/platform.h"
#include "world/catalogue.h"
#include "world/enemy_table.h"

MapGrid mapGrid;
std::int32_t mapWidth = 0;
std::int32_t mapHeight = 0;

namespace {

// One pixel of the map into cell (x, y), which lies inside the grid; `enemyCount`
// counts the markers kept so far.
void placePixel(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, int& enemyCount) {
    const MapColour* colour = findMapColour(r, g, b);
    if (!colour) return;
    switch (colour->marker) {
    case Marker::none:
        mapCell(x, y) = colour->cell;
        break;
    case Marker::playerStart:
        view.cellX = x - 10;
        view.cellY = y - 10;
        view.offsetX = 0;
        view.offsetY = 0;
        view.startCellX = view.cellX;
        view.startCellY = view.cellY;
        break;
    case Marker::enemy:
        // Only the entries that take part in play are filled; later markers are ignored.
        if (enemyCount < enemiesInPlay) spawnEnemy(enemies[enemyCount++], colour->enemyType, x, y);
        break;
    }
}

// Reads the picture `size` bytes long whose bytes `readAt(offset, count,
// into)` copies (zeros past its end; false when `offset` cannot be reached) as
// the game reads a map: `width` and `height` become the part that fits the
// grid, then `pixel(x, y, r, g, b)` is called for each of its cells in the
// order read.
template <class ReadAt, class Pixel>
void walkMapPicture(std::int64_t size, ReadAt readAt, std::int32_t& width, std::int32_t& height, Pixel pixel) {
    std::uint8_t header[bmpHeaderBytes] = {};
    readAt(0, bmpHeaderBytes, header);
    const BmpHeader fields = readBmpHeader(header);
    const std::int32_t fileWidth = fields.width;
    const std::int32_t fileHeight = fields.height;
    width = std::clamp(fileWidth, 0, gridSize);
    height = std::clamp(fileHeight, 0, gridSize);

    const std::int64_t rowBytes = bmpRowBytes24(std::max(fileWidth, 0));
    const int columns = width;
    std::uint8_t row[3 * gridSize];

    // File row r holds map row fileHeight - 1 - r: only the last gridSize file
    // rows land inside the grid; they are taken in file order, so markers keep it.
    const std::int64_t firstRow = std::max<std::int64_t>(0, static_cast<std::int64_t>(fileHeight) - gridSize);
    for (std::int64_t r = firstRow; r < fileHeight; ++r) {
        const int y = static_cast<int>(fileHeight - 1 - r);
        const int count = 3 * columns;
        // r * rowBytes is formed only when it lies within the file, so it cannot overflow.
        const bool inFile = rowBytes > 0 && r <= (size - bmpHeaderBytes) / rowBytes &&
                            readAt(bmpHeaderBytes + r * rowBytes, count, row);
        if (!inFile) std::memset(row, 0, static_cast<std::size_t>(count));
        for (int x = 0; x < columns; ++x) pixel(x, y, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
}

// Copies from `size` bytes at `data`, as walkMapPicture's `readAt` does.
auto readFrom(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<std::int64_t>(size);
    return [data, length](std::int64_t offset, int count, std::uint8_t* into) {
        if (offset > length) return false;
        const auto have = static_cast<std::size_t>(std::min<std::int64_t>(count, length - offset));
        if (have > 0) std::memcpy(into, data + offset, have);
        std::memset(into + have, 0, static_cast<std::size_t>(count) - have);
        return true;
    };
}

// The grid, the enemy table and the view from a picture, as loadLevelMapFile promises.
template <class ReadAt>
void placeMapPicture(std::int64_t size, ReadAt readAt) {
    int enemyCount = 0;
    walkMapPicture(size, readAt, mapWidth, mapHeight,
                   [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) { placePixel(x, y, r, g, b, enemyCount); });
}

}  // namespace

// Clears the grid, then reads the mission's map picture, if there is one, into
// it. Only the cells that fit the grid are read, each row by its own offset (rows
// padded to 4 bytes), so a header claiming a huge picture costs no more than a
// full grid; bytes past the end of the file read as 0 (black, a solid block).
// A missing file leaves mapWidth, mapHeight, the view and the enemies as they were.
void loadLevelMap(std::int32_t missionNumber) {
    char path[32];
    std::snprintf(path, sizeof path, "level%d\\map.bmp", static_cast<int>(missionNumber));
    loadLevelMapFile(path);
}

void loadLevelMapFile(const char* name) {
    std::memset(&mapGrid, 0, sizeof mapGrid);
    GameFile file;
    if (openBinaryFile(file, name) != 0) return;
    placeMapPicture(fileSize(file), [&](std::int64_t offset, int count, std::uint8_t* into) {
        if (!seekFile(file, offset)) return false;
        readBytes(file, count, into);
        return true;
    });
    closeFile(file);
}

void loadLevelMapBytes(const std::uint8_t* data, std::size_t size) {
    std::memset(&mapGrid, 0, sizeof mapGrid);
    placeMapPicture(static_cast<std::int64_t>(size), readFrom(data, size));
}

void readMapPixels(const std::uint8_t* data, std::size_t size,
                   const std::function<void(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b)>& pixel) {
    std::int32_t width = 0, height = 0;
    walkMapPicture(static_cast<std::int64_t>(size), readFrom(data, size), width, height, pixel);
}
