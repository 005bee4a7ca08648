// Key state and the typed-key queue, written by the backend's thread and read by the game's.
#include "platform/keys.h"

#include "platform/backend.h"
#include "platform/host.h"
#include "platform/platform.h"

std::atomic<std::uint8_t> keyFlags[keyFlagCount];
TypedKeyQueue typedKeys{};
std::atomic<std::uint8_t> heldBackKeyFlags[keyFlagCount];
TypedKeyQueue heldBackTypedKeys{};
std::atomic<bool> inputHeldBack{false};
std::atomic<bool> quitFlag{false};
std::atomic<bool> waitingFlag{false};

namespace {

bool validScanCode(int code) { return code >= 0 && code < keyFlagCount; }

// Unicode characters of code page 437 codes 128 to 255.
constexpr char16_t cp437Upper[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// The character that starts at `text`, which then moves past it; a broken
// or overlong sequence gives U+FFFD, which no code page 437 code has.
char32_t nextCharacter(const char*& text) {
    constexpr char32_t broken = 0xFFFD;
    const auto lead = static_cast<unsigned char>(*text++);
    if (lead < 0x80) return lead;
    int more;
    if (lead >= 0xC2 && lead <= 0xDF)
        more = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
        more = 2;
    else if (lead >= 0xF0 && lead <= 0xF4)
        more = 3;
    else
        return broken;
    char32_t c = lead & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        const auto next = static_cast<unsigned char>(*text);
        if ((next & 0xC0) != 0x80) return broken;  // also stops at the terminating zero
        c = c << 6 | (next & 0x3F);
        ++text;
    }
    constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    const bool valid = c >= smallest[more] && c <= 0x10FFFF && (c < 0xD800 || c >= 0xE000);
    return valid ? c : broken;
}

struct QueueGuard {
    explicit QueueGuard(TypedKeyQueue& queue) : q(queue) {
        while (q.busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~QueueGuard() { q.busy.clear(std::memory_order_release); }
    QueueGuard(const QueueGuard&) = delete;
    QueueGuard& operator=(const QueueGuard&) = delete;
    TypedKeyQueue& q;
};

// The backend's input goes to the game unless a host holds it back.
std::atomic<std::uint8_t>* backendKeyFlags() {
    return inputHeldBack.load(std::memory_order_relaxed) ? heldBackKeyFlags : keyFlags;
}
TypedKeyQueue& backendTypedKeys() {
    return inputHeldBack.load(std::memory_order_relaxed) ? heldBackTypedKeys : typedKeys;
}

// With 15 codes waiting the oldest makes room, so the queue always holds the
// latest keys. Negative codes are not keys and are dropped.
void push(TypedKeyQueue& queue, int code) {
    if (code < 0) return;
    QueueGuard guard(queue);
    if (queue.count >= typedKeyMaxWaiting) {
        queue.head = (queue.head + 1) % typedKeyRingSize;
        queue.count -= 1;
    }
    queue.codes[(queue.head + queue.count) % typedKeyRingSize] = code;
    queue.count += 1;
}

// The oldest waiting code, or -1.
int pop(TypedKeyQueue& queue) {
    QueueGuard guard(queue);
    if (queue.count == 0) return -1;
    const int code = queue.codes[queue.head];
    queue.head = (queue.head + 1) % typedKeyRingSize;
    queue.count -= 1;
    return code;
}

}  // namespace

bool keyHeld(std::int32_t scanCode) {
    return validScanCode(scanCode) && keyFlags[scanCode].load(std::memory_order_relaxed) != 0;
}

namespace {

constexpr std::uint8_t keyboardBit = 1;

void hold(std::atomic<std::uint8_t>* flags, int scanCode, std::uint8_t bit) {
    if (validScanCode(scanCode)) flags[scanCode].fetch_or(bit, std::memory_order_relaxed);
}

void letGo(std::atomic<std::uint8_t>* flags, int scanCode, std::uint8_t bit) {
    if (validScanCode(scanCode))
        flags[scanCode].fetch_and(static_cast<std::uint8_t>(~bit), std::memory_order_relaxed);
}

std::uint8_t padBit(int pad) { return pad >= 0 && pad < keySourcePads ? static_cast<std::uint8_t>(2u << pad) : 0; }

}  // namespace

void keyDown(int scanCode) { hold(backendKeyFlags(), scanCode, keyboardBit); }
void keyUp(int scanCode) { letGo(backendKeyFlags(), scanCode, keyboardBit); }
void padKeyDown(int scanCode, int pad) { hold(backendKeyFlags(), scanCode, padBit(pad)); }
void padKeyUp(int scanCode, int pad) { letGo(backendKeyFlags(), scanCode, padBit(pad)); }

void clearKeys() {
    std::atomic<std::uint8_t>* flags = backendKeyFlags();
    for (int code = 0; code < keyFlagCount; ++code) letGo(flags, code, keyboardBit);
}

// Backend thread.
void pushTypedKey(int code) { push(backendTypedKeys(), code); }

int cp437Code(char32_t character) {
    if (character >= 0x20 && character < 0x7F) return static_cast<int>(character);
    for (int i = 0; i < 128; ++i)
        if (cp437Upper[i] == character) return 128 + i;
    return -1;
}

void pushTypedText(const char* utf8) {
    if (!utf8) return;
    while (*utf8) pushTypedKey(cp437Code(nextCharacter(utf8)));
}

int typedCodeOfCharacter(const char* utf8) {
    if (!utf8 || !*utf8) return -1;
    const char32_t c = nextCharacter(utf8);
    return *utf8 ? -1 : cp437Code(c);
}

void clearTypedKeys() {
    QueueGuard guard(typedKeys);
    typedKeys.head = 0;
    typedKeys.count = 0;
}

// Game thread. Two bytes at most, so the string stays in its own small
// buffer and nothing is allocated.
std::string readTypedKey() {
    const int code = pop(typedKeys);
    if (code < 0) return {};
    if (code < 256) return std::string(1, static_cast<char>(code));
    std::string special(2, '\xFF');
    special[1] = static_cast<char>((code - 256) & 0xFF);
    return special;
}

void requestQuit() { quitFlag.store(true); }
void resetQuit() { quitFlag.store(false); }
bool quitRequested() { return quitFlag.load(); }

// Switching drops what the side state held, so a later hold-back starts clean.
void holdBackInput(bool on) {
    for (auto& flag : heldBackKeyFlags) flag.store(0, std::memory_order_relaxed);
    {
        QueueGuard guard(heldBackTypedKeys);
        heldBackTypedKeys.head = 0;
        heldBackTypedKeys.count = 0;
    }
    inputHeldBack.store(on);
}

bool heldBackKey(int scanCode) {
    return validScanCode(scanCode) && heldBackKeyFlags[scanCode].load(std::memory_order_relaxed) != 0;
}
int readHeldBackTypedCode() { return pop(heldBackTypedKeys); }
void feedKeyDown(int scanCode) { hold(keyFlags, scanCode, keyboardBit); }
void feedKeyUp(int scanCode) { letGo(keyFlags, scanCode, keyboardBit); }
void feedTypedKey(int code) { push(typedKeys, code); }

void setWaitingForSpace(bool waiting) { waitingFlag.store(waiting); }
bool waitingForSpace() { return waitingFlag.load(); }
