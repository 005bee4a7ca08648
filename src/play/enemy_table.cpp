// The enemy table: the reset at each mission start and the values a map marker gives.
#include "play/enemies.h"

Enemy enemies[enemyTableSize];

// TODO(world): stub bodies, to be replaced.
void resetEnemies() {}
void spawnEnemy(Enemy&, int, int, int) {}
