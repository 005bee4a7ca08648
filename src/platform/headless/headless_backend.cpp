// A platform with no display: a virtual clock that only sleeping advances, so a
// run depends on nothing but its seed and the keys fed to it.
#include "platform/headless/headless.h"

#include "platform/backend.h"
#include "platform/platform.h"

namespace {
std::int64_t virtualMicroseconds = 0;  // whole units, so the clock never drifts
std::int64_t tickCount = 0;
TickHook tickHook = nullptr;
void* tickUser = nullptr;
}  // namespace

int backendOpen(int, int) { return 0; }
void backendAcquireScreen() {}
void backendReleaseScreen() {}
void backendPresent() {}

double backendClockSeconds() { return static_cast<double>(virtualMicroseconds) / 1e6; }

// Advances the clock, counts the tick and lets the host act (feed keys, capture,
// quit) before the game goes on; never waits.
void backendSleepMs(int milliseconds) {
    if (milliseconds > 0) virtualMicroseconds += static_cast<std::int64_t>(milliseconds) * 1000;
    tickCount += 1;
    if (tickHook) tickHook(tickUser);
}

int runOnPlatform(int (*gameEntry)()) { return gameEntry(); }

void headlessSetTickHook(TickHook hook, void* user) {
    tickHook = hook;
    tickUser = user;
}

std::int64_t headlessTicks() { return tickCount; }

void headlessReset() {
    virtualMicroseconds = 0;
    tickCount = 0;
    tickHook = nullptr;
    tickUser = nullptr;
    clearKeys();
    clearTypedKeys();
    resetQuit();
}
