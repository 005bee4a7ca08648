// The per-frame enemy pass.
#pragma once

#include <cstdint>

#include "world/enemy_table.h"

// True when an enemy may enter cell (x, y): block 0 and inside the grid.
bool cellOpen(int x, int y);
void updateEnemy(int index, std::int32_t sx, std::int32_t sy);
// Update, draw (when `draw`) and hit-test every living enemy 0..60.
void enemyPass(std::int32_t viewX, std::int32_t viewY, bool draw);
