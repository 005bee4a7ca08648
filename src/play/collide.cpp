#include "play/collide.h"

// TODO(play): stub bodies, to be replaced.
std::int32_t cornerTest(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const HitBox&, const HitBox&) { return 0; }
std::int32_t centreInBox(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const HitBox&, const HitBox&) { return 0; }
std::int32_t centreInCell(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const HitBox&) { return 0; }
