// The box tests are inline in collide.h; this file keeps the header compiled on its own.
#include "play/collide.h"

static_assert(cornerTest(0, 0, 0, 0, shotBox, tileBox) == 15);
static_assert(centreInCell(-3, -3, 0, 0, shotBox) == 1);
