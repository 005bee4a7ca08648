// Level files: "map.bmp" into the map grid, the enemy table and the view.
#include "play/enemies.h"
#include "platform/platform.h"
#include "world/world.h"

MapGrid mapGrid;
std::int32_t mapWidth = 0;
std::int32_t mapHeight = 0;

// TODO(world): stub body, to be replaced.
void loadLevelMap(std::int32_t) {}
