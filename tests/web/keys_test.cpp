// The page's key mapping, built natively with the shared key state: scan
// codes of arrows and their keypad twins, typed codes under Shift, Caps Lock
// and Num Lock, releases of shared codes and focus changes.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/keys.h"
#include "platform/platform.h"
#include "platform/web/web_keys.h"

namespace {

// Every code waiting in the queue, which is left empty.
std::string drain() {
    std::string all;
    for (std::string key; !(key = readTypedKey()).empty();) all += key;
    return all;
}
void resetKeys() { webFocusChanged(), drain(); }

std::string special(int keyByte) { return std::string("\xFF") + static_cast<char>(keyByte); }

TEST(WebKeys, ScanCodesOfTheGameKeysAndTheirKeypadTwins) {
    const std::pair<const char*, int> table[] = {
        {"Escape", scan::escape},    {"KeyZ", scan::z},           {"KeyX", scan::x},         {"Space", scan::space},
        {"ArrowUp", scan::up},       {"Numpad8", scan::up},       {"ArrowLeft", scan::left}, {"Numpad4", scan::left},
        {"ArrowRight", scan::right}, {"Numpad6", scan::right},    {"ArrowDown", scan::down}, {"Numpad2", scan::down},
        {"KeyH", 35},                {"ShiftLeft", 42},           {"CapsLock", 58},          {"LaunchMail", 0},
        {"", 0},                     {nullptr, 0}};
    for (auto [code, want] : table) EXPECT_EQ(webScanCode(code), want) << (code ? code : "null");
}

// The browser's key value already carries Shift and Caps Lock; special keys
// come also from the keypad with Num Lock off, digits with it on; the layout's
// characters in code page 437 (a German Shift+7, the keys beside L and 0), none
// outside it; modifier keys and dead keys type nothing.
TEST(WebKeys, TypedCodesFollowTheKeyValue) {
    const std::pair<const char*, int> table[] = {
        {"h", 'h'},         {"H", 'H'},           {" ", ' '},           {"~", '~'},          {"ArrowUp", 256 + 72},
        {"ArrowLeft", 256 + 75}, {"PageDown", 256 + 81}, {"F10", 256 + 68}, {"4", '4'},      {"Clear", -1},
        {"Enter", 13},      {"Escape", 27},       {"Backspace", 8},     {"/", '/'},          {"\xC3\xA4", 132},
        {"\xC3\x9F", 225},  {"\xE2\x82\xAC", -1}, {"Shift", -1},       {"CapsLock", -1},    {"F11", -1},
        {"Dead", -1},       {"", -1},             {nullptr, -1}};
    for (auto [key, want] : table) EXPECT_EQ(webTypedCode(key), want) << (key ? key : "null");
}

TEST(WebKeys, PressesFillTheKeyStateAndTheQueue) {
    resetKeys();
    webKeyPressed("ShiftLeft", "Shift");
    webKeyPressed("KeyH", "H");
    webKeyPressed("ArrowUp", "ArrowUp");
    EXPECT_TRUE(keyHeld(42));
    EXPECT_TRUE(keyHeld(35));
    EXPECT_TRUE(keyHeld(scan::up));
    EXPECT_EQ(drain(), "H" + special(72));
    // Ctrl held: the key still types its character (Ctrl+h takes a screenshot).
    webKeyPressed("ControlLeft", "Control");
    webKeyPressed("KeyH", "h");
    EXPECT_EQ(drain(), "h");
    // A held key repeats: every repeat is one more typed code.
    webKeyPressed("Space", " ");
    webKeyPressed("Space", " ");
    webKeyReleased("Space");
    EXPECT_EQ(drain(), "  ");
    EXPECT_FALSE(keyHeld(scan::space));
    // Unknown keys neither set a flag nor disturb the others.
    webKeyPressed("LaunchMail", "LaunchMail");
    webKeyReleased("LaunchMail");
    EXPECT_TRUE(keyHeld(scan::up));
    resetKeys();
}

TEST(WebKeys, SharedScanCodeStaysHeldUntilBothKeysAreUp) {
    resetKeys();
    webKeyPressed("ArrowRight", "ArrowRight");
    webKeyPressed("Numpad6", "6");
    webKeyReleased("ArrowRight");
    EXPECT_TRUE(keyHeld(scan::right));
    webKeyReleased("Numpad6");
    EXPECT_FALSE(keyHeld(scan::right));
    // A release whose press the page never saw (focus came back with the key down).
    webKeyReleased("ArrowLeft");
    EXPECT_FALSE(keyHeld(scan::left));
    resetKeys();
}

TEST(WebKeys, FocusChangeReleasesEveryKeyButKeepsTheQueue) {
    resetKeys();
    webKeyPressed("ArrowLeft", "ArrowLeft");
    webKeyPressed("Numpad4", "ArrowLeft");
    webKeyPressed("KeyZ", "z");
    webFocusChanged();
    EXPECT_FALSE(keyHeld(scan::left));
    EXPECT_FALSE(keyHeld(scan::z));
    // After the focus came back, releasing one twin must not leave the other held.
    webKeyPressed("ArrowLeft", "ArrowLeft");
    webKeyReleased("ArrowLeft");
    EXPECT_FALSE(keyHeld(scan::left));
    EXPECT_EQ(drain(), special(75) + special(75) + "z" + special(75));
    resetKeys();
}

TEST(WebKeys, OnlyScrollingKeysLoseTheirBrowserDefault) {
    for (const char* code : {"ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight", "Space", "Numpad4", "Numpad0"})
        EXPECT_TRUE(webSuppressDefault(code)) << code;
    for (const char* code : {"KeyH", "F5", "Escape", "Tab", "NumpadEnter", "Numpad", ""})
        EXPECT_FALSE(webSuppressDefault(code)) << code;
    EXPECT_FALSE(webSuppressDefault(nullptr));
}

}  // namespace
