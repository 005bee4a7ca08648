#include "play/enemies.h"

Enemy enemies[enemyTableSize];

// TODO(play): stub bodies, to be replaced.
void resetEnemies() {}
void spawnEnemy(Enemy&, int, int, int) {}
bool cellOpen(int, int) { return false; }
void updateEnemy(int, std::int32_t, std::int32_t) {}
void enemyPass(std::int32_t, std::int32_t) {}
