// The enemy table: the reset at each mission start and the values a map marker gives.
#include "world/enemy_table.h"

#include "world/world.h"

Enemy enemies[enemyTableSize];

// Takes the entries that play (0..60) out of play before the loader refills
// them; fields the loader always writes keep their old values.
void resetEnemies() {
    for (int i = 0; i < enemiesInPlay; ++i) {
        Enemy& e = enemies[i];
        e.hitPoints = 0;
        e.dirX = -1;
        e.dirY = 0;
        e.stepX = 0;
        e.stepY = 0;
        e.animFrame = 0;
        e.tick = 0;
    }
}

// Called by the loader for a marker at cell (x, y) once the cells to the left
// in the same row are in the grid: a turret faces right when the cell to its
// left holds any tile (a cell outside the grid counts as empty).
void spawnEnemy(Enemy& e, int type, int x, int y) {
    e.type = type;
    e.cellX = e.homeX = x;
    e.cellY = e.homeY = y;
    e.posX = 32 * x;
    e.posY = 32 * (y - 1);
    e.stepX = 0;
    e.stepY = 0;
    switch (type) {
        case enemyType::walker:
            e.picture = 20;
            e.dirX = -1;
            e.hitPoints = 3;
            e.fireThreshold = 995;
            break;
        case enemyType::flyer:
            e.picture = 22;
            e.dirX = -1;
            e.hitPoints = 3;
            e.fireThreshold = 995;
            break;
        case enemyType::turret: {
            const bool wallOnLeft = cellAt(x - 1, y).tile != 0;
            e.picture = wallOnLeft ? 23 : 24;
            e.dirX = wallOnLeft ? 1 : -1;
            e.hitPoints = 5;
            e.fireThreshold = 980;
            break;
        }
        case enemyType::snake:
            e.picture = 26;
            e.dirX = 1;
            e.dirY = 0;
            e.turnStep = 1;
            e.hitPoints = 20;
            e.fireThreshold = 990;
            break;
        case enemyType::swan:
            e.picture = 50;
            e.dirX = -1;
            e.animFrame = 0;
            e.hitPoints = 1;
            e.fireThreshold = 0;
            break;
        default:
            break;
    }
}
