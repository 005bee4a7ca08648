// Browser keys as the game knows them.
#include "platform/web/web_keys.h"

#include <cstring>

#include "platform/backend.h"

bool webKeysDown[webKeyCount];

namespace {

constexpr int special = 256;

struct KeyName {
    const char* name;
    int scanCode;
};

// DOM `code` values and their scan codes, keypad twins beside their arrows.
constexpr KeyName physicalKeys[] = {
    {"Escape", 1},         {"Digit1", 2},        {"Digit2", 3},         {"Digit3", 4},
    {"Digit4", 5},         {"Digit5", 6},        {"Digit6", 7},         {"Digit7", 8},
    {"Digit8", 9},         {"Digit9", 10},       {"Digit0", 11},        {"Minus", 12},
    {"Equal", 13},         {"Backspace", 14},    {"Tab", 15},           {"KeyQ", 16},
    {"KeyW", 17},          {"KeyE", 18},         {"KeyR", 19},          {"KeyT", 20},
    {"KeyY", 21},          {"KeyU", 22},         {"KeyI", 23},          {"KeyO", 24},
    {"KeyP", 25},          {"BracketLeft", 26},  {"BracketRight", 27},  {"Enter", 28},
    {"NumpadEnter", 28},   {"ControlLeft", 29},  {"ControlRight", 29},  {"KeyA", 30},
    {"KeyS", 31},          {"KeyD", 32},         {"KeyF", 33},          {"KeyG", 34},
    {"KeyH", 35},          {"KeyJ", 36},         {"KeyK", 37},          {"KeyL", 38},
    {"Semicolon", 39},     {"Quote", 40},        {"Backquote", 41},     {"ShiftLeft", 42},
    {"Backslash", 43},     {"KeyZ", 44},         {"KeyX", 45},          {"KeyC", 46},
    {"KeyV", 47},          {"KeyB", 48},         {"KeyN", 49},          {"KeyM", 50},
    {"Comma", 51},         {"Period", 52},       {"Slash", 53},         {"NumpadDivide", 53},
    {"ShiftRight", 54},    {"NumpadMultiply", 55}, {"PrintScreen", 55}, {"AltLeft", 56},
    {"AltRight", 56},      {"Space", 57},        {"CapsLock", 58},      {"F1", 59},
    {"F2", 60},            {"F3", 61},           {"F4", 62},            {"F5", 63},
    {"F6", 64},            {"F7", 65},           {"F8", 66},            {"F9", 67},
    {"F10", 68},           {"NumLock", 69},      {"ScrollLock", 70},    {"Numpad7", 71},
    {"Home", 71},          {"Numpad8", 72},      {"ArrowUp", 72},       {"Numpad9", 73},
    {"PageUp", 73},        {"NumpadSubtract", 74}, {"Numpad4", 75},     {"ArrowLeft", 75},
    {"Numpad5", 76},       {"Numpad6", 77},      {"ArrowRight", 77},    {"NumpadAdd", 78},
    {"Numpad1", 79},       {"End", 79},          {"Numpad2", 80},       {"ArrowDown", 80},
    {"Numpad3", 81},       {"PageDown", 81},     {"Numpad0", 82},       {"Insert", 82},
    {"NumpadDecimal", 83}, {"Delete", 83},       {"IntlBackslash", 86}, {"F11", 87},
    {"F12", 88},           {"MetaLeft", 91},     {"MetaRight", 92},     {"ContextMenu", 93},
};
static_assert(sizeof physicalKeys / sizeof physicalKeys[0] == webKeyCount);

// DOM `key` values of the special keys and the key byte each one reports.
constexpr KeyName specialKeys[] = {
    {"ArrowUp", 72},  {"ArrowDown", 80}, {"ArrowLeft", 75}, {"ArrowRight", 77},
    {"Insert", 82},   {"Delete", 83},    {"Home", 71},      {"End", 79},
    {"PageUp", 73},   {"PageDown", 81},  {"F1", 59},        {"F2", 60},
    {"F3", 61},       {"F4", 62},        {"F5", 63},        {"F6", 64},
    {"F7", 65},       {"F8", 66},        {"F9", 67},        {"F10", 68},
};

// Control characters typed by named keys, whatever the modifiers.
constexpr KeyName controlKeys[] = {{"Enter", 13}, {"Backspace", 8}, {"Tab", 9}, {"Escape", 27}};

template <int N>
int findName(const KeyName (&table)[N], const char* name) {
    if (!name) return -1;
    for (int i = 0; i < N; ++i)
        if (std::strcmp(table[i].name, name) == 0) return i;
    return -1;
}

}  // namespace

int webScanCode(const char* code) {
    const int i = findName(physicalKeys, code);
    return i < 0 ? 0 : physicalKeys[i].scanCode;
}

int webTypedCode(const char* key) {
    if (!key || !*key) return -1;
    if (int i = findName(specialKeys, key); i >= 0) return special + specialKeys[i].scanCode;
    if (int i = findName(controlKeys, key); i >= 0) return controlKeys[i].scanCode;
    // Anything longer than one character is a key name ("Shift", "Clear", "Dead").
    return typedCodeOfCharacter(key);
}

bool webSuppressDefault(const char* code) {
    static constexpr const char* scrolling[] = {"ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight",
                                                "Space",   "PageUp",    "PageDown",  "Home",
                                                "End"};
    if (!code) return false;
    for (const char* name : scrolling)
        if (std::strcmp(name, code) == 0) return true;
    // The keypad's digits scroll too while Num Lock is off.
    return std::strncmp(code, "Numpad", 6) == 0 && code[6] >= '0' && code[6] <= '9' &&
           code[7] == '\0';
}

void webKeyPressed(const char* code, const char* key) {
    if (int i = findName(physicalKeys, code); i >= 0) {
        webKeysDown[i] = true;
        keyDown(physicalKeys[i].scanCode);
    }
    pushTypedKey(webTypedCode(key));
}

void webKeyReleased(const char* code) {
    const int i = findName(physicalKeys, code);
    if (i < 0) return;
    webKeysDown[i] = false;
    const int scanCode = physicalKeys[i].scanCode;
    for (int other = 0; other < webKeyCount; ++other)
        if (webKeysDown[other] && physicalKeys[other].scanCode == scanCode) return;
    keyUp(scanCode);
}

void webFocusChanged() {
    for (bool& down : webKeysDown) down = false;
    clearKeys();
}
