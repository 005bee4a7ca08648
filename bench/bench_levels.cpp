#include "bench_levels.h"

#include <cstdio>
#include <cstring>

#include "platform/backend.h"
#include "platform/platform.h"
#include "play/enemies.h"
#include "play/particles.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "world/catalogue.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

struct FrameState {
    PlayerState player;
    Enemy enemies[enemyTableSize];
    Shot playerShots[shotCount];
    Shot enemyShots[shotCount];
    Particle particles[particleCount];
    GameState game;
    View view;
};
FrameState saved;

// A fixed sequence so every run builds the same level.
std::uint32_t lcgState = 12345;
int nextInt(int n) {
    lcgState = lcgState * 1664525u + 1013904223u;
    return static_cast<int>((lcgState >> 8) % static_cast<std::uint32_t>(n));
}

void saveFrameState() {
    saved.player = player;
    std::memcpy(saved.enemies, enemies, sizeof enemies);
    std::memcpy(saved.playerShots, playerShots, sizeof playerShots);
    std::memcpy(saved.enemyShots, enemyShots, sizeof enemyShots);
    std::memcpy(saved.particles, particles, sizeof particles);
    saved.game = game;
    saved.view = view;
}

void clearLevel(int width, int height) {
    std::memset(&mapGrid, 0, sizeof mapGrid);
    mapWidth = width;
    mapHeight = height;
    resetEnemies();
    std::memset(playerShots, 0, sizeof playerShots);
    std::memset(enemyShots, 0, sizeof enemyShots);
    std::memset(particles, 0, sizeof particles);
}

// View with offsets 0: screen cell (j, i) shows map cell (cellX + j, cellY + i)
// at screen (32 j - 32, 32 i - 32).
void placeView(int cellX, int cellY) {
    view = View{cellX, cellY, 0, 0, cellX, cellY};
    computeViewPosition();
}

// Every shot entry in flight at screen positions, away from the figure so
// that no enemy shot takes power.
void fillShots() {
    for (int k = 0; k < shotCount; ++k) {
        Shot& p = playerShots[k];
        p = Shot{1, viewX + 8 + nextInt(600), viewY + 8 + nextInt(440), k % 2 ? 2 : -2, 0, 200, 0};
        Shot& q = enemyShots[k];
        int sx, sy;
        do {
            sx = 8 + nextInt(600);
            sy = 8 + nextInt(440);
        } while (sx > 240 && sx < 380 && sy > 240 && sy < 400);
        q = Shot{1, viewX + sx, viewY + sy, k % 3 - 1, k % 3 == 1 ? 1 : 0, 500, k % 3 == 1 ? 1 : 0};
    }
}

void fillSparks() {
    for (int j = 0; j < particleCount; ++j) {
        Particle& p = particles[j];
        const double a = 3.14 * nextInt(360) / 180.0;
        p = Particle{1, nextInt(30), sparkLifetime, double(viewX + 4 + nextInt(620)),
                     double(viewY + 4 + nextInt(460)), __builtin_cos(a), __builtin_sin(a), 0};
    }
}

void setPlayerReady() {
    player.power = 4;
    player.diamonds = 1000000;
    player.facing = 2;
    player.crouching = 0;
    player.jumpLeft = 0;
    player.streamerOn = 1;
    player.streamerAngle = 0;
    player.streamerDrain = 20;
    player.hazardTicks = 0;
    player.fireDelay = 5;
    playerBox = playerStandingBox;
}

}  // namespace

void prepareGame() {
    static bool done = false;
    if (done) return;
    done = true;
    setDataFolder(BRASTOR_BINARY_DIR);
    seedRandom(1);
    resetGameState();
    setScreenMode(screenWidth, screenHeight, 32);
    createPictures();
    loadMissionPictures("level1\\");
}

void loadStartUpData() {
    createPictures();
    loadMissionPictures("level1\\");
    loadLevelMap(1);
}

void buildBusyLevel() {
    prepareGame();
    constexpr int size = 64;
    clearLevel(size, size);
    // Below the sky's rows, as most of a mission is.
    const int cellX = 20, cellY = 30;
    placeView(cellX, cellY);

    struct TileKind {
        std::uint8_t tile;
        std::int8_t block;
    };
    using namespace tileCode;
    static constexpr TileKind kinds[] = {
        {diamond, 0},  {crystal, 0},   {spikes, 0},        {grass, 1},   {block, 1},     {rockTop, 1},
        {breakable, -3}, {darkFloor, 1}, {barrier, 1},     {generator1, -3}, {generator3, -3}, {girder, 0},
        {caveWall, 0}, {plant, 0},     {sceneryBlock, 0},  {flow, 0},    {exitBeam, 0},  {keyA, 0},
        {keyB, 0},     {doorA, 1},     {doorB, 1},         {hostage, 0},
    };
    // Cells that neither touch the figure nor stop the beam: scenery only.
    static constexpr TileKind quiet[] = {{girder, 0}, {caveWall, 0}, {plant, 0}, {sceneryBlock, 0}};
    int n = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const TileKind& k = kinds[(n++ * 7 + y) % (sizeof kinds / sizeof kinds[0])];
            mapCell(x, y) = MapCell{k.tile, k.block, static_cast<std::uint8_t>((x + y) % 3 == 0 ? plantFront : 0)};
        }
    for (int i = 9; i <= 11; ++i)
        for (int j = 9; j <= 16; ++j) {
            const TileKind& k = quiet[(i + j) % 4];
            mapCell(cellX + j, cellY + i) = MapCell{k.tile, k.block, static_cast<std::uint8_t>(j % 2 ? plantFront : 0)};
        }
    for (int j = 9; j <= 12; ++j) mapCell(cellX + j, cellY + 12) = MapCell{grass, 1, 0};

    // 61 enemies on the screen, clear of the figure and the beam's row.
    const int types[] = {enemyType::walker, enemyType::flyer, enemyType::turret, enemyType::snake,
                         enemyType::swan};
    int e = 0;
    for (int i = 1; i <= 14 && e < enemiesInPlay; ++i)
        for (int j = 1; j <= 19 && e < enemiesInPlay; j += 1) {
            if ((i + j) % 3 != 0) continue;
            if (i >= 8 && i <= 12 && j >= 8) continue;
            Enemy& en = enemies[e];
            spawnEnemy(en, types[e % 5], cellX + j + 1, cellY + i + 1);
            en.tick = 0;
            ++e;
        }

    fillShots();
    fillSparks();
    setPlayerReady();
    game.missionNumber = 1;
    game.objectiveMet = 0;
    game.missionResult = 0;
    for (int k = 0; k < 4; ++k) game.doorKeys[k] = 1;
    std::snprintf(game.messageText, sizeof game.messageText, "HOSTAGE RESCUED! 2 MORE TO FIND!");
    game.messageFrames = 600;
    buildSolidList();
    clearKeys();
    keyDown(scan::x);
    saveFrameState();
}

void buildSolidLevel(int size) {
    prepareGame();
    clearLevel(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) mapCell(x, y) = MapCell{tileCode::block, 1, 0};
    // One generator left in the far corner keeps mission 1's objective open,
    // as it is for most of a mission (its check walks the whole map).
    mapCell(size - 1, size - 1) = MapCell{38, -3, 0};
    placeView(size / 2 - 10, size / 2 - 8);
    fillShots();
    fillSparks();
    setPlayerReady();
    player.streamerOn = 0;
    game.missionNumber = 1;
    game.objectiveMet = 0;
    game.missionResult = 0;
    game.messageFrames = 0;
    buildSolidList();
    clearKeys();
    saveFrameState();
}

void restoreFrameState() {
    player = saved.player;
    std::memcpy(enemies, saved.enemies, sizeof enemies);
    std::memcpy(playerShots, saved.playerShots, sizeof playerShots);
    std::memcpy(enemyShots, saved.enemyShots, sizeof enemyShots);
    std::memcpy(particles, saved.particles, sizeof particles);
    game = saved.game;
    view = saved.view;
}
