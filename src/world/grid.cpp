// Operations that read and change the map grid during play; the solid list.
#include "world/world.h"

SolidCell solidList[solidCapacity];
std::int32_t solidLast = -1;

// TODO(world): stub bodies, to be replaced.
std::int32_t buildSolidList() { return solidLast = -1; }
void clearTileEverywhere(std::uint8_t) {}
void unblockTile(std::uint8_t) {}
std::int32_t countTile(std::uint8_t) { return 0; }
void hitBreakable(const Contact&) {}
void placeExitBeam() {}
