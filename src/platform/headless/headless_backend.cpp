// A platform with no display: a virtual clock that sleeping advances.
#include "platform/backend.h"
#include "platform/platform.h"

// TODO(headless): stub bodies, to be replaced.
int backendOpen(int, int) { return 0; }
void backendAcquireScreen() {}
void backendReleaseScreen() {}
void backendPresent() {}
static double virtualSeconds = 0;
double backendClockSeconds() { return virtualSeconds; }
void backendSleepMs(int ms) { virtualSeconds += ms / 1000.0; }
int runOnPlatform(int (*gameEntry)()) { return gameEntry(); }
