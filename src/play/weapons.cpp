#include "play/weapons.h"

Shot playerShots[shotCount];
Shot enemyShots[shotCount];

// TODO(play): stub bodies, to be replaced.
void firePlayerShot(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
void fireEnemyShot(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
void fireKey() {}
void streamerKey() {}
void updatePlayerShots(std::int32_t, std::int32_t) {}
void updateEnemyShots(std::int32_t, std::int32_t) {}
void solidPass() {}
