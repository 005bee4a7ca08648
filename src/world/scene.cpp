// The camera, the scene's background with its contact list, the sky and the foreground layer.
#include "world/world.h"

View view;
std::int32_t viewX = 0;
std::int32_t viewY = 0;
Contact contacts[contactCapacity];
std::int32_t contactLast = -1;

// TODO(world): stub bodies, to be replaced.
void computeViewPosition() {
    viewX = 32 * view.cellX - view.offsetX;
    viewY = 32 * view.cellY + view.offsetY;
}
std::int32_t drawBackground(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return contactLast = -1; }
void drawSky(std::int32_t, std::int32_t) {}
void drawOverlay(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
void normalizeView() {}
