#include "mapcheck/structure.h"

#include <cstdlib>
#include <iterator>

#include "platform/bmp_format.h"
#include "world/catalogue.h"
#include "world/world.h"

namespace {

// The colour table of the level format, with each colour's cell contents.
constexpr const auto& kColours = mapColours;

// A colour whose components all lie within this of a table colour, without
// matching it, is taken for a smoothed pixel rather than a deliberate empty.
constexpr int kNearDistance = 24;
// Of one fault over a whole map (a picture smoothed, a grid of generators),
// this many are told one by one and the rest counted.
constexpr int kSameFaultShown = 20;

std::string cellName(int x, int y) { return "cell (" + std::to_string(x) + ", " + std::to_string(y) + ")"; }
std::string cellText(int x, int y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

}  // namespace

int missionOfContents(int generators, int hostages) { return hostages > 0 && generators == 0 ? 2 : 1; }

MapStructure checkStructure(const std::vector<std::uint8_t>& data, int mission, Findings& findings) {
    MapStructure s;
    int faults = 0;
    auto error = [&](const std::string& message, int x = -1, int y = -1) {
        findings.add(Severity::error, message, {x, y});
        ++faults;
    };
    auto warning = [&](const std::string& message, int x = -1, int y = -1) {
        findings.add(Severity::warning, message, {x, y});
    };
    if (data.size() < bmpHeaderBytes || data[0] != 'B' || data[1] != 'M') {
        error("not a BMP file (nor a .map text source)");
        return s;
    }
    const BmpHeader header = readBmpHeader(data.data());
    const int width = header.width;
    const int height = header.height;
    const std::uint32_t offset = header.pixelOffset;
    if (header.bitsPerPixel != 24 || header.compression != 0) error("the game reads 24-bit uncompressed pictures only");
    if (offset != 54) error("pixel data must start at byte 54 (a plain 40-byte information header)");
    if (width < 1 || height < 1) error("the game reads bottom-up pictures with a positive size only");
    if (faults > 0) return s;
    if (width > gridSize || height > gridSize) {
        error("map is " + std::to_string(width) + " x " + std::to_string(height) + " cells, the grid holds " +
              std::to_string(gridSize) + " x " + std::to_string(gridSize));
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
    // The cells in the order the game's loader reads them: of the enemy
    // markers it keeps the first it reads and drops the rest; of the start
    // markers, the last one read is the start.
    std::vector<std::vector<bool>> kept(height, std::vector<bool>(width, false));
    int firstDroppedX = -1, firstDroppedY = -1;
    readMapPixels(data.data(), data.size(), [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        Cell& cell = grid[y][x];
        cell.r = r;
        cell.g = g;
        cell.b = b;
        const MapColour* colour = findMapColour(r, g, b);
        if (!colour) return;
        cell.colour = static_cast<int>(colour - kColours);
        if (kColours[cell.colour].marker == Marker::playerStart) {
            ++s.starts;
            s.startX = x;
            s.startY = y;
        } else if (kColours[cell.colour].marker == Marker::enemy) {
            if (s.enemies < enemiesInPlay) {
                kept[y][x] = true;
            } else if (firstDroppedX < 0) {
                firstDroppedX = x;
                firstDroppedY = y;
            }
            ++s.enemies;
        }
    });

    auto solid = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        const int k = grid[y][x].colour;
        return k >= 0 && kColours[k].cell.block != 0;
    };

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
            const int code = c.cell.tile;
            const bool generator = code == tileCode::generator1 || code == tileCode::generator3;
            if (c.cell.block != 0) ++s.solidCells;
            if (generator) ++s.generators;
            if (code == tileCode::hostage) ++s.hostages;
            if ((generator || code == tileCode::hostage) && solid(x, y + 1) && ++halfHidden <= kSameFaultShown)
                warning(cellName(x, y) + ": " + c.name + " hangs into a solid cell below and is half hidden", x, y);
        }
    }
    s.mission = mission != 0 ? mission : missionOfContents(s.generators, s.hostages);

    if (nearColours > kSameFaultShown)
        error(std::to_string(nearColours - kSameFaultShown) + " more cells with a colour near a map colour");
    if (halfHidden > kSameFaultShown)
        warning(std::to_string(halfHidden - kSameFaultShown) + " more generators or hostages hang into a solid cell");
    if (s.enemies > enemiesInPlay) {
        error(std::to_string(s.enemies) + " enemy markers: only the first " + std::to_string(enemiesInPlay) +
                  " are played (read from the bottom row up, left to right" +
                  (s.enemies > enemyTableSize ? "; the table holds " + std::to_string(enemyTableSize) : std::string()) +
                  "): the game drops the other " + std::to_string(s.enemies - enemiesInPlay) + ", from " +
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
            const bool enemy = c && c->marker == Marker::enemy && kept[at / width][at % width];
            s.play.cells.push_back(c ? RuleCell{c->cell.tile, c->cell.block, c->marker != Marker::none, enemy ? c->name : ""}
                                     : RuleCell{});
        }
    }
    return s;
}
