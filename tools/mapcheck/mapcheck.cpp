// brastor-mapcheck [--mission N] [--no-routes] [--strict] [--emit-script DIR] [--picture FILE] MAP
//
// Checks a level map, the picture ("map.bmp") or its text source (".map", read
// as brastor-bake reads it), against what the game can play: size and table
// limits, exactly one start marker standing two rows above a floor, a floor
// for the exit beam in the start column, the mission's objective items,
// colours that are near a map colour without matching it (a paint program's
// smoothing) and fair play (rules.cpp). The mission number comes from
// --mission or from a folder named level<N> around the file. Then, unless
// --no-routes, it looks for a route to every objective, key, pickup and the
// exit (routes.cpp), whatever else it found; --picture draws it all.
// Exit status: 0 good map (warnings allowed), 1 faults found, 2 usage error.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bake/map_source.h"
#include "mapcheck/picture.h"
#include "mapcheck/routes.h"
#include "mapcheck/rules.h"
#include "platform/utf8_path.h"

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
    {128, 128, 255, "cave wall", 41, 0, 0},    {128, 128, 128, "generator 1", 38, -3, 0},
    {128, 128, 64, "generator 3", 39, -3, 0},  {255, 0, 255, "player start", 0, 0, 1},
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

struct Cell {
    int colour = -1;  // index into kColours, -1 for empty
    int r = 0, g = 0, b = 0;
};

int errors = 0;
int warnings = 0;
std::vector<Finding> findings;  // the numbered findings with a cell

void error(const std::string& message) {
    std::cout << "error: " << message << "\n";
    ++errors;
}
// A fault seen at a cell: numbered, so that the picture can circle it.
void errorAt(int x, int y, const std::string& message) {
    const int number = static_cast<int>(findings.size()) + 1;
    findings.push_back(Finding{number, x, y});
    std::cout << "error [" << number << "]: " << message << "\n";
    ++errors;
}
void warningAt(int x, int y, const std::string& message) {
    const int number = static_cast<int>(findings.size()) + 1;
    findings.push_back(Finding{number, x, y});
    std::cout << "warning [" << number << "]: " << message << "\n";
    ++warnings;
}
void warning(const std::string& message) {
    std::cout << "warning: " << message << "\n";
    ++warnings;
}

std::string cellName(int x, int y) { return "cell (" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

std::int32_t le32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return static_cast<std::int32_t>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(d[at + 3]) << 24));
}

int missionFromPath(const std::filesystem::path& file) {
    for (auto p = std::filesystem::absolute(file).parent_path(); !p.empty() && p != p.root_path();
         p = p.parent_path()) {
        const std::string name = utf8OfPath(p.filename());
        if (name.size() > 5 && name.rfind("level", 0) == 0) {
            const std::string digits = name.substr(5);
            if (digits.find_first_not_of("0123456789") == std::string::npos) return std::atoi(digits.c_str());
        }
    }
    return 0;
}

const char* const kSynopsis =
    "usage: brastor-mapcheck [--mission N] [--no-routes] [--strict] [--emit-script DIR] [--picture FILE] MAP\n";
const char* const kOptions =
    "MAP is a map picture (map.bmp) or its text source (.map). Checks its limits and\n"
    "fair play, then finds a route to every objective, key, pickup and the exit beam,\n"
    "naming the reason for each one out of reach.\n"
    "  --mission N        the mission the map is for (default: from a folder levelN around MAP)\n"
    "  --no-routes        the quick check alone, without the route search\n"
    "  --strict           an unreachable key or pickup is a fault, not a warning\n"
    "  --emit-script DIR  a brastor-headless script for every reached target\n"
    "  --picture FILE     a PNG of the level: the reached area, the routes, the findings\n"
    "  -h, --help         print this help and exit\n"
    "exit status: 0 good map (warnings allowed), 1 faults found, 2 usage error\n";

int usage() {
    std::cerr << kSynopsis;
    return 2;
}

// The map as the game's file: the picture itself, or the text source baked in
// memory (its faults reported with file and line). False when nothing to check.
bool readMap(const std::string& file, std::vector<std::uint8_t>& data, bool& source) {
    std::string ext = utf8OfPath(pathOfUtf8(file).extension());
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    source = ext == ".map";
    if (source) {
        MapSource map;
        readMapSource(pathOfUtf8(file), map, [](const std::filesystem::path& at, int line, const std::string& message) {
            error(utf8OfPath(at) + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message);
        });
        if (!map.usable) return false;
        data = encodeBmp(map.width, map.height, map.pixels);
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error("cannot open " + file);
        return false;
    }
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Runs the route search on the map; a text source is baked to a file first,
// since the search loads the map with the game's own loader.
RouteResult searchRoutes(const std::string& file, bool source, const std::vector<std::uint8_t>& data,
                         RouteOptions options) {
    namespace fs = std::filesystem;
    options.firstNumber = static_cast<int>(findings.size()) + 1;
    if (!source) return checkRoutes(file, options, std::cout);
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec) / ("brastor-mapcheck-" + std::to_string(getpid()));
    fs::create_directories(folder, ec);
    const fs::path baked = folder / "map.bmp";
    {
        std::ofstream out(baked, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    RouteResult result = checkRoutes(utf8OfPath(baked), options, std::cout);
    fs::remove_all(folder, ec);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    int mission = 0;
    std::string file;
    std::string picture;
    bool routes = true;
    RouteOptions routeOptions;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kSynopsis << kOptions;
            return 0;
        }
        if (arg == "--routes") {
            // The search runs by default; the old switch is still accepted.
        } else if (arg == "--no-routes") {
            routes = false;
        } else if (arg == "--strict") {
            routeOptions.strict = true;
        } else if (arg == "--emit-script" && i + 1 < argc) {
            routeOptions.scriptDir = argv[++i];
        } else if (arg == "--picture" && i + 1 < argc) {
            picture = argv[++i];
        } else if (arg == "--mission" && i + 1 < argc) {
            mission = std::atoi(argv[++i]);
            if (mission < 1) return usage();
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else if (file.empty()) {
            file = arg;
        } else {
            return usage();
        }
    }
    if (file.empty()) return usage();
    if (mission == 0) mission = missionFromPath(pathOfUtf8(file));

    std::cout << file << ":\n";
    std::vector<std::uint8_t> data;
    bool source = false;
    if (!readMap(file, data, source)) return 1;
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') {
        error("not a BMP file (nor a .map text source)");
        return 1;
    }
    const int before = errors;
    const int width = le32(data, 18);
    const int height = le32(data, 22);
    const int bits = data[28] | (data[29] << 8);
    const std::uint32_t compression = static_cast<std::uint32_t>(le32(data, 30));
    const std::uint32_t offset = static_cast<std::uint32_t>(le32(data, 10));
    if (bits != 24 || compression != 0) error("the game reads 24-bit uncompressed pictures only");
    if (offset != 54) error("pixel data must start at byte 54 (a plain 40-byte information header)");
    if (width < 1 || height < 1) error("the game reads bottom-up pictures with a positive size only");
    if (errors > before) return 1;
    if (width > kGridSize || height > kGridSize) {
        error("map is " + std::to_string(width) + " x " + std::to_string(height) + " cells, the grid holds " +
              std::to_string(kGridSize) + " x " + std::to_string(kGridSize));
        return 1;
    }
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (data.size() < 54 + rowBytes * static_cast<std::size_t>(height)) {
        error("file ends inside the pixel data: the game reads the missing cells as solid blocks");
        return 1;
    }

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
    int enemies = 0;
    int firstDroppedX = -1, firstDroppedY = -1;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const int k = grid[y][x].colour;
            if (k < 0 || kColours[k].marker != 2) continue;
            if (enemies < kEnemiesPlayed) {
                kept[y][x] = true;
            } else if (firstDroppedX < 0) {
                firstDroppedX = x;
                firstDroppedY = y;
            }
            ++enemies;
        }
    }
    int nearColours = 0;
    int halfHidden = 0;
    int solidCells = 0;
    int generators = 0;
    int hostages = 0;
    int startX = -1;
    int startY = -1;
    int starts = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Cell& cell = grid[y][x];
            if (cell.colour < 0) {
                for (const MapColour& c : kColours) {
                    if (std::abs(c.r - cell.r) <= kNearDistance && std::abs(c.g - cell.g) <= kNearDistance &&
                        std::abs(c.b - cell.b) <= kNearDistance) {
                        if (++nearColours <= kSameFaultShown)
                            errorAt(x, y, cellName(x, y) + ": colour (" + std::to_string(cell.r) + ", " +
                                              std::to_string(cell.g) + ", " + std::to_string(cell.b) + ") is near " +
                                              c.name + " (" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " +
                                              std::to_string(c.b) + ") but not equal: the game reads it as empty");
                        break;
                    }
                }
                continue;
            }
            const MapColour& c = kColours[cell.colour];
            if (c.block != 0) ++solidCells;
            if (c.tile == 38 || c.tile == 39) ++generators;
            if (c.tile == 70) ++hostages;
            if ((c.tile == 38 || c.tile == 39 || c.tile == 70) && solid(x, y + 1) && ++halfHidden <= kSameFaultShown)
                warningAt(x, y, cellName(x, y) + ": " + c.name + " hangs into a solid cell below and is half hidden");
            if (c.marker == 1) {
                ++starts;
                // The game keeps the last marker read: highest row, then rightmost.
                if (startY < 0 || y < startY || (y == startY && x > startX)) {
                    startX = x;
                    startY = y;
                }
            }
        }
    }

    if (nearColours > kSameFaultShown)
        error(std::to_string(nearColours - kSameFaultShown) + " more cells with a colour near a map colour");
    if (halfHidden > kSameFaultShown)
        warning(std::to_string(halfHidden - kSameFaultShown) + " more generators or hostages hang into a solid cell");
    if (enemies > kEnemiesPlayed) {
        errorAt(firstDroppedX, firstDroppedY,
                std::to_string(enemies) + " enemy markers: only the first " + std::to_string(kEnemiesPlayed) +
                    " are played (read from the bottom row up, left to right" +
                    (enemies > kEnemyTable ? "; the table holds " + std::to_string(kEnemyTable) : std::string()) +
                    "): the game drops the other " + std::to_string(enemies - kEnemiesPlayed) + ", from " +
                    cellName(firstDroppedX, firstDroppedY) + " on");
    }
    if (starts == 0) {
        error("no player start marker");
    } else if (starts > 1) {
        error(std::to_string(starts) + " player start markers, exactly one expected (the game uses " +
              cellName(startX, startY) + ")");
    }
    if (mission == 1 && generators == 0) error("mission 1 needs at least one generator: its objective could never be met");
    if (mission == 2 && hostages == 0) error("mission 2 needs at least one hostage: its objective could never be met");
    if (mission == 0) warning("mission number unknown (use --mission N or a level<N> folder): objective not checked");

    if (starts > 0) {
        // The exit beam hangs from row 0 down to the first solid cell of the start column.
        int beamFloor = -1;
        for (int y = 0; y < height; ++y) {
            if (solid(startX, y)) {
                beamFloor = y;
                break;
            }
        }
        if (beamFloor < 0) {
            errorAt(startX, startY,
                    "start column " + std::to_string(startX) + " has no solid cell: the exit beam has no floor");
        } else if (beamFloor <= startY) {
            errorAt(startX, beamFloor, "the exit beam stops at " + cellName(startX, beamFloor) +
                                           ", above the start marker at " + cellName(startX, startY));
        }
        if (solid(startX, startY + 1) || !solid(startX, startY + 2)) {
            errorAt(startX, startY, "start marker at " + cellName(startX, startY) +
                  " must stand two rows above a floor: the cell below it free, the one under that solid");
        }
    }

    RuleGrid play{width, height, {}};
    for (const auto& row : grid) {
        for (const Cell& cell : row) {
            const MapColour* c = cell.colour < 0 ? nullptr : &kColours[cell.colour];
            const bool enemy = c && c->marker == 2 && kept[play.cells.size() / width][play.cells.size() % width];
            play.cells.push_back(c ? RuleCell{c->tile, c->block, c->marker != 0, enemy ? c->name : ""} : RuleCell{});
        }
    }
    for (const RuleFault& fault : checkPlayRules(play)) errorAt(fault.x, fault.y, fault.message);

    RouteResult found;
    if (routes && starts > 0) {
        routeOptions.mission = mission;
        routeOptions.keepTrails = !picture.empty();
        found = searchRoutes(file, source, data, routeOptions);
        errors += found.errors;
        warnings += found.warnings;
        findings.insert(findings.end(), found.findings.begin(), found.findings.end());
    } else if (routes) {
        std::cout << "routes not searched: no player start marker\n";
    }
    if (!picture.empty()) {
        std::string problem;
        if (!writePicture(picture, play, startX, startY, mission, found, findings, problem)) {
            std::cout << "error: " << picture << ": " << problem << "\n";
            ++errors;
        }
    }

    std::cout << enemies << " enemies, " << solidCells << " solid cells, " << generators << " generators, "
              << hostages << " hostages; " << errors << " error(s), " << warnings << " warning(s)\n";
    return errors > 0 ? 1 : 0;
}
