// The enemy table, filled by the level loader and moved by the play code.
#pragma once

#include <cstdint>

#include "world/catalogue.h"

struct Enemy {
    std::int32_t type;  // 0 walker, 1 flyer, 2 turret, 3 snake, 99 swan
    std::int32_t cellX, cellY;
    std::int32_t homeX, homeY;
    std::int32_t posX, posY;  // square drawn and hit at world (posX - 32, posY)
    std::int32_t stepX, stepY;
    std::int32_t dirX, dirY;
    std::int32_t turnStep;
    std::int32_t tick;
    std::int32_t animFrame;
    std::int32_t picture;
    std::int32_t hitPoints;
    std::int32_t fireThreshold;
};

extern Enemy enemies[enemyTableSize];

void resetEnemies();
// Fills the entry for a map marker of `type` at cell (x, y); the loader calls it.
void spawnEnemy(Enemy& e, int type, int x, int y);
