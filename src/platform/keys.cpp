// Key state and the typed-key queue, written by the backend's thread and read by the game's.
#include "platform/keys.h"

#include "platform/backend.h"
#include "platform/platform.h"

std::atomic<std::uint8_t> keyFlags[keyFlagCount];
TypedKeyQueue typedKeys{};
std::atomic<bool> quitFlag{false};

namespace {

bool validScanCode(int code) { return code >= 0 && code < keyFlagCount; }

struct QueueGuard {
    QueueGuard() {
        while (typedKeys.busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~QueueGuard() { typedKeys.busy.clear(std::memory_order_release); }
    QueueGuard(const QueueGuard&) = delete;
    QueueGuard& operator=(const QueueGuard&) = delete;
};

}  // namespace

bool keyHeld(std::int32_t scanCode) {
    return validScanCode(scanCode) && keyFlags[scanCode].load(std::memory_order_relaxed) != 0;
}

void keyDown(int scanCode) {
    if (validScanCode(scanCode)) keyFlags[scanCode].store(1, std::memory_order_relaxed);
}

void keyUp(int scanCode) {
    if (validScanCode(scanCode)) keyFlags[scanCode].store(0, std::memory_order_relaxed);
}

void clearKeys() {
    for (auto& flag : keyFlags) flag.store(0, std::memory_order_relaxed);
}

// Backend thread. With 15 codes waiting the oldest makes room, so the queue
// always holds the latest keys. Negative codes are not keys and are dropped.
void pushTypedKey(int code) {
    if (code < 0) return;
    QueueGuard guard;
    if (typedKeys.count >= typedKeyMaxWaiting) {
        typedKeys.head = (typedKeys.head + 1) % typedKeyRingSize;
        typedKeys.count -= 1;
    }
    typedKeys.codes[(typedKeys.head + typedKeys.count) % typedKeyRingSize] = code;
    typedKeys.count += 1;
}

void clearTypedKeys() {
    QueueGuard guard;
    typedKeys.head = 0;
    typedKeys.count = 0;
}

// Game thread. Two bytes at most, so the string stays in its own small
// buffer and nothing is allocated.
std::string readTypedKey() {
    int code;
    {
        QueueGuard guard;
        if (typedKeys.count == 0) return {};
        code = typedKeys.codes[typedKeys.head];
        typedKeys.head = (typedKeys.head + 1) % typedKeyRingSize;
        typedKeys.count -= 1;
    }
    if (code < 256) return std::string(1, static_cast<char>(code));
    std::string special(2, '\xFF');
    special[1] = static_cast<char>((code - 256) & 0xFF);
    return special;
}

void requestQuit() { quitFlag.store(true); }
void resetQuit() { quitFlag.store(false); }
bool quitRequested() { return quitFlag.load(); }
