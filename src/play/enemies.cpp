// The enemy pass: movement and turning, firing, drawing and hits by player shots.
#include "play/enemies.h"

// TODO(play): stub bodies, to be replaced.
bool cellOpen(int, int) { return false; }
void updateEnemy(int, std::int32_t, std::int32_t) {}
void enemyPass(std::int32_t, std::int32_t) {}
