// Control of the headless platform, for the headless runner and the tests.
#pragma once

#include <cstdint>

// Called at every sleep of the game (one tick), after the virtual clock advanced.
using TickHook = void (*)(void* user);
void headlessSetTickHook(TickHook hook, void* user);
std::int64_t headlessTicks();
// Clock and tick count to 0, no hook, no held keys, an empty typed-key queue, no quit.
void headlessReset();
