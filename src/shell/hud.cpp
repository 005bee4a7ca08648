#include "shell/hud.h"

// TODO(shell): stub bodies, to be replaced.
void darkenHudStrip() {}
void drawHud() {}
void drawMessage(char*, int) {}
