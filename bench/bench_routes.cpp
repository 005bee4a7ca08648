#include "bench_routes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <unistd.h>

#include "platform/bmp_format.h"
#include "world/catalogue.h"

namespace {

constexpr int size = gridSize;  // the full grid
std::string path, hostilePath, generatorsPath;

void removeLevel() {
    if (!path.empty()) std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
void removeGeneratorsLevel() {
    if (!generatorsPath.empty()) std::filesystem::remove_all(std::filesystem::path(generatorsPath).parent_path());
}
void removeHostileLevel() {
    if (!hostilePath.empty()) std::filesystem::remove_all(std::filesystem::path(hostilePath).parent_path());
}

struct Rgb {
    std::uint8_t r, g, b;
};
constexpr Rgb colourOf(char letter) {
    const MapColour* c = findMapLetter(letter);
    return c ? Rgb{c->r, c->g, c->b} : Rgb{255, 255, 255};
}
constexpr Rgb empty = colourOf(emptyLetter), block = colourOf('#'), diamond = colourOf('d'),
              breakable = colourOf('b'), generator = colourOf('G'), start = colourOf('P'), keyA = colourOf('k'),
              doorA = colourOf('l');

// A 24-bit map picture of `map` (rows top first) in a fresh temporary folder; its path.
std::string writeMap(const std::vector<std::vector<Rgb>>& map) {
    const int width = static_cast<int>(map[0].size()), height = static_cast<int>(map.size());
    const std::vector<std::uint8_t> file = encodeBmp24(width, height, [&](int x, int y) {
        const Rgb& c = map[y][x];
        return std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
    });
    char folder[] = "/tmp/brastor-bench-routes-XXXXXX";
    if (!mkdtemp(folder)) return {};
    const std::string out = std::string(folder) + "/map.bmp";
    if (std::FILE* f = std::fopen(out.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    return out;
}

}  // namespace

const std::string& hostileRouteLevelPath() {
    if (!hostilePath.empty()) return hostilePath;
    static const char* const rows[] = {
        "d....d....d....d....d....d....d....d....", ".dP...d....d....d....d....d....d....d...",
        ".......d....d....d....d....d....d....d..", "##.d###.d###.d###.d###.d###.d###.d###.d#",
        "....d....d....d....d....d....d....d....d", "d....d....d....d....d....d....d....d....",
        ".d....d...kd....d....d....d...Kd....d...", "##d.###d.###d.###d.###d.###d.###d.###d.#",
        "...d....d....d....d....d....d....d....d.", "....d....d....d....d....d....d....d....d",
        "d....d....d....d....d....cws..d....d....", "#d##.#d##.#d##.#d##.#d##.#d##.#d##.#d##.",
        "..d....d....d....d....d....d....d....d..", "...d....d....d....d....d....d....d....d.",
        "....d....d....dlL..d....d....d....d....d", "d####d####d####d####d####d####d####d####",
        ".d....d....d....d....d....d....d....d...", "..d....d....d....d....d....d....d..h.d..",
        "...d....d....d....d....d....d....d....d.", "########################################",
    };
    const auto colour = [](char c) -> Rgb {
        switch (c) {
            case '#': return block;
            case 'd': return diamond;
            case 'P': return start;
            case 'k': return keyA;
            case 'l': return doorA;
            case 'K': return {0, 0, 64};
            case 'L': return {0, 50, 64};
            case 'c': return {128, 0, 255};
            case 'w': return {128, 255, 128};
            case 's': return {192, 192, 192};
            case 'h': return {50, 50, 50};
            default: return empty;
        }
    };
    std::vector<std::vector<Rgb>> map;
    for (const char* row : rows) {
        map.emplace_back();
        for (const char* c = row; *c; ++c) map.back().push_back(colour(*c));
    }
    hostilePath = writeMap(map);
    if (!hostilePath.empty()) std::atexit(removeHostileLevel);
    return hostilePath;
}

// A walled square with a floor every third row from row 5 down, each with
// gaps two cells wide that shift from floor to floor; `floors` gets their rows.
std::vector<std::vector<Rgb>> floorsMap(std::vector<int>& floors) {
    std::vector<std::vector<Rgb>> map(size, std::vector<Rgb>(size, empty));
    for (int y = 0; y < size; ++y) map[y][0] = map[y][size - 1] = block;
    for (int x = 0; x < size; ++x) map[size - 1][x] = block;
    for (int y = 5; y < size - 1; y += 3) floors.push_back(y);
    for (std::size_t f = 0; f < floors.size(); ++f)
        for (int x = 1; x < size - 1; ++x)
            if ((x + 3 * static_cast<int>(f)) % 10 >= 2) map[floors[f]][x] = block;
    return map;
}

const std::string& routeLevelPath() {
    if (!path.empty()) return path;
    std::vector<int> floors;
    std::vector<std::vector<Rgb>> map = floorsMap(floors);
    for (std::size_t f = 0; f < floors.size(); ++f) {
        const int y = floors[f];
        for (int x = 4; x < size - 2; x += 7)
            if (map[y][x].r == 0 && map[y - 1][x].r == 255 && map[y - 1][x].g == 255) map[y - 1][x] = diamond;
        if (f % 4 == 1)
            for (int x = 30; x < size - 2; x += 40) map[y - 1][x] = map[y - 2][x] = breakable;
    }
    // The east half lies behind a wall of doors; its key is in the west.
    for (int y = 1; y < size - 1; ++y)
        if (map[y][100].r != 0 || map[y][100].g != 0) map[y][100] = doorA;
    map[floors[20] - 1][20] = keyA;
    const int generators[4][2] = {{50, 10}, {150, 30}, {70, 50}, {180, 60}};
    for (const auto& g : generators) {
        map[floors[g[1]] - 2][g[0]] = generator;
        map[floors[g[1]] - 1][g[0]] = empty;
    }
    map[3][3] = start;
    map[4][3] = empty;

    path = writeMap(map);
    if (!path.empty()) std::atexit(removeLevel);
    return path;
}

const std::string& generatorRouteLevelPath() {
    if (!generatorsPath.empty()) return generatorsPath;
    std::vector<int> floors;
    std::vector<std::vector<Rgb>> map = floorsMap(floors);
    const auto onFloor = [&](int x, int y) {
        return map[y][x].r == 0 && map[y - 1][x].r == 255 && map[y - 1][x].g == 255 && map[y - 2][x].r == 255 &&
               map[y - 2][x].g == 255;
    };
    // One generator on each of the first 60 floors, spread across the width.
    int generators = 0;
    for (std::size_t f = 0; f < floors.size() && generators < 60; ++f)
        for (int x = 10 + static_cast<int>(f * 37) % 170; x < size - 2; ++x)
            if (onFloor(x, floors[f])) {
                map[floors[f] - 2][x] = generator;
                ++generators;
                break;
            }
    // 400 diamonds, evenly over the floors.
    int diamonds = 0;
    for (int x0 = 3; x0 < 31 && diamonds < 400; x0 += 14)
        for (std::size_t f = 0; f < floors.size() && diamonds < 400; ++f)
            for (int x = x0; x < size - 2 && diamonds < 400; x += 29)
                if (onFloor(x, floors[f])) {
                    map[floors[f] - 1][x] = diamond;
                    ++diamonds;
                }
    map[3][3] = start;
    map[4][3] = empty;
    generatorsPath = writeMap(map);
    if (!generatorsPath.empty()) std::atexit(removeGeneratorsLevel);
    return generatorsPath;
}
