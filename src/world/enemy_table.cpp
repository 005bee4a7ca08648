// The enemy table: the reset at each mission start and the values a map marker gives.
#include "world/enemy_table.h"

#include "world/catalogue.h"

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
// left holds any tile (a cell outside the grid counts as empty). Every kind
// starts its turns and its animation from the beginning, standing still.
void spawnEnemy(Enemy& e, int type, int x, int y) {
    e.type = type;
    e.cellX = e.homeX = x;
    e.cellY = e.homeY = y;
    e.posX = 32 * x;
    e.posY = 32 * (y - 1);
    e.stepX = 0;
    e.stepY = 0;
    e.dirY = 0;
    e.turnStep = 1;
    e.animFrame = 0;
    const EnemyKind* kind = findEnemyKind(type);
    if (!kind) return;
    e.picture = kind->picture;
    e.dirX = kind->dirX;
    e.hitPoints = kind->hitPoints;
    e.fireThreshold = kind->fireThreshold;
    if (type == enemyType::turret && cellAt(x - 1, y).tile != tileCode::empty) {
        e.picture = turretRightPicture;
        e.dirX = 1;
    }
}
