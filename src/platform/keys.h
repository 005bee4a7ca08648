// Key state and the typed-key queue, shared between the backend's event
// thread, which writes them, and the game thread, which reads them (and, in a
// host that holds the input back, also writes what it hands on: host.h).
#pragma once

#include <atomic>
#include <cstdint>

constexpr int keyFlagCount = 128;
constexpr int keySourcePads = 7;  // pads that can hold keys beside the keyboard
constexpr int typedKeyRingSize = 16;
constexpr int typedKeyMaxWaiting = typedKeyRingSize - 1;

// One byte per PC set-1 scan code: bit 0 while the keyboard holds it, bit
// 1 + n while pad n does. The key is down while any bit is set, so no source
// can let go of a key that another still holds.
extern std::atomic<std::uint8_t> keyFlags[keyFlagCount];

// The typed-key ring: `count` codes wait from `head` on. Guarded by `busy`,
// a spin lock held only for a few instructions, so neither side allocates
// or sleeps.
struct TypedKeyQueue {
    std::atomic_flag busy;
    int codes[typedKeyRingSize];
    int head;
    int count;
};
extern TypedKeyQueue typedKeys;

// Where the backend's input goes while a host holds it back (host.h).
extern std::atomic<std::uint8_t> heldBackKeyFlags[keyFlagCount];
extern TypedKeyQueue heldBackTypedKeys;
extern std::atomic<bool> inputHeldBack;

extern std::atomic<bool> quitFlag;
extern std::atomic<bool> waitingFlag;  // the game waits for Space
