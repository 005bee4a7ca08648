// Clock, sleep and the random generator.
#include "platform/backend.h"
#include "platform/platform.h"

// TODO(services): stub bodies, to be replaced.
double clockSeconds() { return backendClockSeconds(); }
void sleepMs(int ms) { backendSleepMs(ms); }
void seedRandom(double) {}
double randomReal() { return 0.5; }
