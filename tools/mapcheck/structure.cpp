#include "mapcheck/structure.h"

#include <cstdlib>
#include <iterator>

namespace {

struct MapColour {
    int r, g, b;
    const char* name;
    int tile;   // 0 for markers
    int block;  // 0 passable, 1 solid, -3 breakable
    int marker; // 0 none, 1 player start, 2 enemy
};

// The colour table of the level format, with each colour's cell contents.
const MapColour kColours[] = {
    {128, 128, 0, "barrier", 37, 1, 0},        {255, 0, 0, "diamond", 18, 0, 0},
    {255, 255, 0, "key A", 60, 0, 0},          {255, 240, 0, "door A", 64, 1, 0},
    {0, 0, 64, "key B", 61, 0, 0},             {0, 50, 64, "door B", 65, 1, 0},
    {128, 0, 255, "power crystal", 19, 0, 0},  {50, 50, 50, "hostage", 70, 0, 0},
    {128, 255, 128, "flow hazard", 45, 0, 0},  {64, 0, 0, "grass", 30, 1, 0},
    {0, 0, 0, "block", 31, 1, 0},              {255, 128, 0, "scenery block", 44, 0, 0},
    {0, 64, 0, "girder", 40, 0, 0},            {192, 192, 192, "spikes", 25, 0, 0},
    {64, 0, 64, "rock top", 33, 1, 0},         {0, 255, 0, "plant", 42, 0, 0},
    {0, 128, 128, "breakable block", 35, -3, 0}, {255, 128, 64, "dark floor", 36, 1, 0},
    {128, 128, 255, "cave wall", 41, 0, 0},    {128, 128, 128, "generator G", 38, -3, 0},
    {128, 128, 64, "generator H", 39, -3, 0},  {255, 0, 255, "player start", 0, 0, 1},
    {0, 0, 255, "walker", 0, 0, 2},            {0, 255, 255, "flyer", 0, 0, 2},
    {128, 0, 0, "turret", 0, 0, 2},            {64, 128, 128, "swan", 0, 0, 2},
    {64, 0, 128, "snake", 0, 0, 2},
};

constexpr int kGridSize = 201;
constexpr int kEnemiesPlayed = 61;
constexpr int kEnemyTable = 101;
// A colour whose components all lie within this of a table colour, without
// matching it, is taken for a smoothed pixel rather than a deliberate empty.
constexpr int kNearDistance = 24;
// Of one fault over a whole map (a picture smoothed, a grid of generators),
// this many are told one by one and the rest counted.
constexpr int kSameFaultShown = 20;

std::string cellName(int x, int y) { return "cell (" + std::to_string(x) + ", " + std::to_string(y) + ")"; }
std::string cellText(int x, int y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

std::int32_t le32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return static_cast<std::int32_t>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(d[at + 3]) << 24));
}

}  // namespace

int missionOfContents(int generators, int hostages) { return hostages > 0 && generators == 0 ? 2 : 1; }

MapStructure checkStructure(const std::vector<std::uint8_t>& data, int mission) {
    MapStructure s;
    auto error = [&](const std::string& message, int x = -1, int y = -1) {
        s.findings.push_back(StructureFinding{true, message, x, y});
    };
    auto warning = [&](const std::string& message, int x = -1, int y = -1) {
        s.findings.push_back(StructureFinding{false, message, x, y});
    };
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') {
        error("not a BMP file (nor a .map text source)");
        return s;
    }
    const int width = le32(data, 18);
    const int height = le32(data, 22);
    const int bits = data[28] | (data[29] << 8);
    const std::uint32_t compression = static_cast<std::uint32_t>(le32(data, 30));
    const std::uint32_t offset = static_cast<std::uint32_t>(le32(data, 10));
    if (bits != 24 || compression != 0) error("the game reads 24-bit uncompressed pictures only");
    if (offset != 54) error("pixel data must start at byte 54 (a plain 40-byte information header)");
    if (width < 1 || height < 1) error("the game reads bottom-up pictures with a positive size only");
    if (!s.findings.empty()) return s;
    if (width > kGridSize || height > kGridSize) {
        error("map is " + std::to_string(width) + " x " + std::to_string(height) + " cells, the grid holds " +
              std::to_string(kGridSize) + " x " + std::to_string(kGridSize));
        return s;
    }
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (data.size() < 54 + rowBytes * static_cast<std::size_t>(height)) {
        error("file ends inside the pixel data: the game reads the missing cells as solid blocks");
        return s;
    }
    s.readable = true;
    s.width = width;
    s.height = height;

    struct Cell {
        int colour = -1;  // index into kColours, -1 for empty
        int r = 0, g = 0, b = 0;
    };
    std::vector<std::vector<Cell>> grid(height, std::vector<Cell>(width));
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int y = height - 1 - fileRow;
        for (int x = 0; x < width; ++x) {
            const std::size_t at = 54 + rowBytes * fileRow + 3 * static_cast<std::size_t>(x);
            Cell& cell = grid[y][x];
            cell.b = data[at];
            cell.g = data[at + 1];
            cell.r = data[at + 2];
            for (int k = 0; k < static_cast<int>(std::size(kColours)); ++k) {
                if (kColours[k].r == cell.r && kColours[k].g == cell.g && kColours[k].b == cell.b) cell.colour = k;
            }
        }
    }

    auto solid = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        const int k = grid[y][x].colour;
        return k >= 0 && kColours[k].block != 0;
    };

    // The game keeps the enemy markers it reads first, from the bottom row up
    // and left to right, and drops the rest.
    std::vector<std::vector<bool>> kept(height, std::vector<bool>(width, false));
    int firstDroppedX = -1, firstDroppedY = -1;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const int k = grid[y][x].colour;
            if (k < 0 || kColours[k].marker != 2) continue;
            if (s.enemies < kEnemiesPlayed) {
                kept[y][x] = true;
            } else if (firstDroppedX < 0) {
                firstDroppedX = x;
                firstDroppedY = y;
            }
            ++s.enemies;
        }
    }
    int nearColours = 0;
    int halfHidden = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Cell& cell = grid[y][x];
            if (cell.colour < 0) {
                for (const MapColour& c : kColours) {
                    if (std::abs(c.r - cell.r) <= kNearDistance && std::abs(c.g - cell.g) <= kNearDistance &&
                        std::abs(c.b - cell.b) <= kNearDistance) {
                        if (++nearColours <= kSameFaultShown)
                            error(cellName(x, y) + ": colour (" + std::to_string(cell.r) + ", " +
                                      std::to_string(cell.g) + ", " + std::to_string(cell.b) + ") is near " + c.name +
                                      " (" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " +
                                      std::to_string(c.b) + ") but not equal: the game reads it as empty",
                                  x, y);
                        break;
                    }
                }
                continue;
            }
            const MapColour& c = kColours[cell.colour];
            if (c.block != 0) ++s.solidCells;
            if (c.tile == 38 || c.tile == 39) ++s.generators;
            if (c.tile == 70) ++s.hostages;
            if ((c.tile == 38 || c.tile == 39 || c.tile == 70) && solid(x, y + 1) && ++halfHidden <= kSameFaultShown)
                warning(cellName(x, y) + ": " + c.name + " hangs into a solid cell below and is half hidden", x, y);
            if (c.marker == 1) {
                ++s.starts;
                // The game keeps the last marker read: highest row, then rightmost.
                if (s.startY < 0 || y < s.startY || (y == s.startY && x > s.startX)) {
                    s.startX = x;
                    s.startY = y;
                }
            }
        }
    }
    s.mission = mission != 0 ? mission : missionOfContents(s.generators, s.hostages);

    if (nearColours > kSameFaultShown)
        error(std::to_string(nearColours - kSameFaultShown) + " more cells with a colour near a map colour");
    if (halfHidden > kSameFaultShown)
        warning(std::to_string(halfHidden - kSameFaultShown) + " more generators or hostages hang into a solid cell");
    if (s.enemies > kEnemiesPlayed) {
        error(std::to_string(s.enemies) + " enemy markers: only the first " + std::to_string(kEnemiesPlayed) +
                  " are played (read from the bottom row up, left to right" +
                  (s.enemies > kEnemyTable ? "; the table holds " + std::to_string(kEnemyTable) : std::string()) +
                  "): the game drops the other " + std::to_string(s.enemies - kEnemiesPlayed) + ", from " +
                  cellName(firstDroppedX, firstDroppedY) + " on",
              firstDroppedX, firstDroppedY);
    }
    if (s.starts == 0) {
        error("no player start marker: draw one (magenta, P) two rows above a floor");
    } else if (s.starts > 1) {
        error(std::to_string(s.starts) + " player start markers, exactly one expected (the game uses " +
              cellName(s.startX, s.startY) + ")");
    }
    // With none, the objective counts as met at once: the beam hangs over the
    // player, who wins in the second frame.
    if (s.mission == 1 && s.generators == 0)
        error("mission 1 needs at least one generator: without one the mission is won in its second frame, "
              "standing at the start");
    if (s.mission == 2 && s.hostages == 0)
        error("mission 2 needs at least one hostage: without one the mission is won in its second frame, "
              "standing at the start");

    if (s.starts > 0) {
        // The exit beam hangs from row 0 down to the first solid cell of the
        // start column, so every cell above the start must be open.
        std::vector<int> closed;
        bool floor = false;
        for (int y = 0; y < height && !floor; ++y) {
            if (!solid(s.startX, y)) continue;
            if (y < s.startY) {
                closed.push_back(y);
            } else {
                floor = true;
            }
        }
        if (!closed.empty()) {
            s.beamBlocked = true;
            std::string cells;
            for (std::size_t i = 0; i < closed.size(); ++i)
                cells += (i == 0 ? "" : i + 1 == closed.size() ? " and " : ", ") + cellText(s.startX, closed[i]);
            error("the exit beam hangs from the top row down to the start marker at " + cellName(s.startX, s.startY) +
                      ", but its column is closed at " + cellName(s.startX, closed[0]) + ": open " +
                      (closed.size() == 1 ? "cell " : "cells ") + cells,
                  s.startX, closed[0]);
        } else if (!floor) {
            error("start column " + std::to_string(s.startX) + " has no solid cell: the exit beam has no floor",
                  s.startX, s.startY);
        }
        if (solid(s.startX, s.startY + 1) || !solid(s.startX, s.startY + 2)) {
            error("start marker at " + cellName(s.startX, s.startY) +
                      " must stand two rows above a floor: the cell below it free, the one under that solid",
                  s.startX, s.startY);
        }
    }

    s.play = RuleGrid{width, height, {}};
    for (const auto& row : grid) {
        for (const Cell& cell : row) {
            const MapColour* c = cell.colour < 0 ? nullptr : &kColours[cell.colour];
            const std::size_t at = s.play.cells.size();
            const bool enemy = c && c->marker == 2 && kept[at / width][at % width];
            s.play.cells.push_back(c ? RuleCell{c->tile, c->block, c->marker != 0, enemy ? c->name : ""}
                                     : RuleCell{});
        }
    }
    return s;
}

std::string firstStructureError(const MapStructure& structure) {
    for (const StructureFinding& f : structure.findings)
        if (f.error) return f.message;
    return "";
}
