// What a map cell can mean: the tile codes, the map picture's colours with
// what each puts into its cell, and the kinds of enemy a marker starts.
// Every reader of maps (the loader, the baker, the checker, the tools) takes
// them from here.
#pragma once

#include <cstdint>

#include "world/world.h"

namespace enemyType {
constexpr int walker = 0, flyer = 1, turret = 2, snake = 3, swan = 99;
}
constexpr int enemyTableSize = 101;
constexpr int enemiesInPlay = 61;  // entries 0..60 take part in play; later markers are dropped

// Tile codes: a cell's role, and the picture slot drawn for it.
namespace tileCode {
constexpr std::uint8_t empty = 0, diamond = 18, crystal = 19, spikes = 25, grass = 30, block = 31,
                       rockTop = 33, breakable = 35, darkFloor = 36, barrier = 37, generator1 = 38,
                       generator3 = 39, girder = 40, caveWall = 41, plant = 42, plantFront = 43,
                       sceneryBlock = 44, flow = 45, exitBeam = 46, keyA = 60, keyB = 61, doorA = 64,
                       doorB = 65, hostage = 70;
}

// The block value of a breakable cell as the loader writes it: three hits break it.
constexpr std::int8_t breakableBlock = -3;

enum class Marker : std::uint8_t { none, playerStart, enemy };

struct MapColour {
    std::uint8_t r, g, b;
    char letter;       // the cell's letter in map sources and test maps
    const char* name;  // as the checker names the cell
    MapCell cell;      // what the loader writes; markers leave the cell empty
    Marker marker;
    int enemyType;     // the kind an enemy marker starts (enemyType::...), else 0
};

// Exact colours only: any colour not listed is an empty cell. Terrain first,
// then the markers, in the order the loader has always tried them.
inline constexpr MapColour mapColours[] = {
    {128, 128, 0, 'B', "barrier", {tileCode::barrier, 1, 0}, Marker::none, 0},
    {255, 0, 0, 'd', "diamond", {tileCode::diamond, 0, 0}, Marker::none, 0},
    {255, 255, 0, 'k', "key A", {tileCode::keyA, 0, 0}, Marker::none, 0},
    {255, 240, 0, 'l', "door A", {tileCode::doorA, 1, 0}, Marker::none, 0},
    {0, 0, 64, 'K', "key B", {tileCode::keyB, 0, 0}, Marker::none, 0},
    {0, 50, 64, 'L', "door B", {tileCode::doorB, 1, 0}, Marker::none, 0},
    {128, 0, 255, 'c', "power crystal", {tileCode::crystal, 0, 0}, Marker::none, 0},
    {50, 50, 50, 'h', "hostage", {tileCode::hostage, 0, 0}, Marker::none, 0},
    {128, 255, 128, 'w', "flow hazard", {tileCode::flow, 0, 0}, Marker::none, 0},
    {64, 0, 0, 'g', "grass", {tileCode::grass, 1, 0}, Marker::none, 0},
    {0, 0, 0, '#', "block", {tileCode::block, 1, 0}, Marker::none, 0},  // black is a wall
    {255, 128, 0, 'o', "scenery block", {tileCode::sceneryBlock, 0, 0}, Marker::none, 0},
    {0, 64, 0, 'i', "girder", {tileCode::girder, 0, 0}, Marker::none, 0},
    {192, 192, 192, 's', "spikes", {tileCode::spikes, 0, 0}, Marker::none, 0},
    {64, 0, 64, 'r', "rock top", {tileCode::rockTop, 1, 0}, Marker::none, 0},
    {0, 255, 0, 'p', "plant", {tileCode::plant, 0, tileCode::plantFront}, Marker::none, 0},
    {0, 128, 128, 'b', "breakable block", {tileCode::breakable, breakableBlock, 0}, Marker::none, 0},
    {255, 128, 64, 'f', "dark floor", {tileCode::darkFloor, 1, 0}, Marker::none, 0},
    {128, 128, 255, 'v', "cave wall", {tileCode::caveWall, 0, 0}, Marker::none, 0},
    {128, 128, 128, 'G', "generator G", {tileCode::generator1, breakableBlock, 0}, Marker::none, 0},
    {128, 128, 64, 'H', "generator H", {tileCode::generator3, breakableBlock, 0}, Marker::none, 0},
    {255, 0, 255, 'P', "player start", {}, Marker::playerStart, 0},
    {0, 0, 255, 'W', "walker", {}, Marker::enemy, enemyType::walker},
    {0, 255, 255, 'F', "flyer", {}, Marker::enemy, enemyType::flyer},
    {128, 0, 0, 'T', "turret", {}, Marker::enemy, enemyType::turret},
    {64, 128, 128, 'N', "swan", {}, Marker::enemy, enemyType::swan},
    {64, 0, 128, 'S', "snake", {}, Marker::enemy, enemyType::snake},
};

// The letter of an empty cell in map sources and test maps, painted white.
constexpr char emptyLetter = '.';

// The entry for an exact colour, or nullptr: the cell stays empty.
constexpr const MapColour* findMapColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    for (const MapColour& c : mapColours)
        if (c.r == r && c.g == g && c.b == b) return &c;
    return nullptr;
}

// The entry with this letter, or nullptr.
constexpr const MapColour* findMapLetter(char letter) {
    for (const MapColour& c : mapColours)
        if (c.letter == letter) return &c;
    return nullptr;
}

// The values an enemy marker starts its enemy with.
struct EnemyKind {
    int type;
    int picture;        // facing left; a turret with a wall on its left faces right
    int dirX;
    int hitPoints;
    int fireThreshold;  // fires when a draw of 0..1000 exceeds it (a swan draws, but has nothing to fire)
};

inline constexpr EnemyKind enemyKinds[] = {
    {enemyType::walker, 20, -1, 3, 995}, {enemyType::flyer, 22, -1, 3, 995}, {enemyType::turret, 24, -1, 5, 980},
    {enemyType::swan, 50, -1, 1, 0},     {enemyType::snake, 26, 1, 20, 990},
};
// A turret facing right, with something on its left.
constexpr int turretRightPicture = 23;

constexpr const EnemyKind* findEnemyKind(int type) {
    for (const EnemyKind& k : enemyKinds)
        if (k.type == type) return &k;
    return nullptr;
}
