// The page's key mapping, built natively with the shared key state: scan
// codes of arrows and their keypad twins, typed codes under Shift, Caps Lock
// and Num Lock, releases of shared codes and focus changes.
#include <gtest/gtest.h>

#include <string>

#include "platform/keys.h"
#include "platform/platform.h"
#include "platform/web/web_keys.h"

namespace {

void resetKeys() {
    webFocusChanged();
    while (!readTypedKey().empty()) {
    }
}

std::string special(int keyByte) { return std::string("\xFF") + static_cast<char>(keyByte); }

TEST(WebKeys, ScanCodesOfTheGameKeysAndTheirKeypadTwins) {
    EXPECT_EQ(webScanCode("Escape"), scan::escape);
    EXPECT_EQ(webScanCode("KeyZ"), scan::z);
    EXPECT_EQ(webScanCode("KeyX"), scan::x);
    EXPECT_EQ(webScanCode("Space"), scan::space);
    EXPECT_EQ(webScanCode("ArrowUp"), scan::up);
    EXPECT_EQ(webScanCode("Numpad8"), scan::up);
    EXPECT_EQ(webScanCode("ArrowLeft"), scan::left);
    EXPECT_EQ(webScanCode("Numpad4"), scan::left);
    EXPECT_EQ(webScanCode("ArrowRight"), scan::right);
    EXPECT_EQ(webScanCode("Numpad6"), scan::right);
    EXPECT_EQ(webScanCode("ArrowDown"), scan::down);
    EXPECT_EQ(webScanCode("Numpad2"), scan::down);
    EXPECT_EQ(webScanCode("KeyH"), 35);
    EXPECT_EQ(webScanCode("ShiftLeft"), 42);
    EXPECT_EQ(webScanCode("CapsLock"), 58);
    EXPECT_EQ(webScanCode("LaunchMail"), 0);
    EXPECT_EQ(webScanCode(""), 0);
    EXPECT_EQ(webScanCode(nullptr), 0);
}

TEST(WebKeys, TypedCodesFollowTheKeyValue) {
    // The browser's key value already carries Shift and Caps Lock.
    EXPECT_EQ(webTypedCode("h"), 'h');
    EXPECT_EQ(webTypedCode("H"), 'H');
    EXPECT_EQ(webTypedCode(" "), ' ');
    EXPECT_EQ(webTypedCode("~"), '~');
    // Special keys, also from the keypad with Num Lock off; digits with it on.
    EXPECT_EQ(webTypedCode("ArrowUp"), 256 + 72);
    EXPECT_EQ(webTypedCode("ArrowLeft"), 256 + 75);
    EXPECT_EQ(webTypedCode("PageDown"), 256 + 81);
    EXPECT_EQ(webTypedCode("F10"), 256 + 68);
    EXPECT_EQ(webTypedCode("4"), '4');
    EXPECT_EQ(webTypedCode("Clear"), -1);
    EXPECT_EQ(webTypedCode("Enter"), 13);
    EXPECT_EQ(webTypedCode("Escape"), 27);
    EXPECT_EQ(webTypedCode("Backspace"), 8);
    // The layout's characters in code page 437: a German Shift+7 and the keys
    // beside L and 0; none for characters outside it.
    EXPECT_EQ(webTypedCode("/"), '/');
    EXPECT_EQ(webTypedCode("\xC3\xA4"), 132);
    EXPECT_EQ(webTypedCode("\xC3\x9F"), 225);
    EXPECT_EQ(webTypedCode("\xE2\x82\xAC"), -1);
    // Modifier keys and dead keys type nothing.
    EXPECT_EQ(webTypedCode("Shift"), -1);
    EXPECT_EQ(webTypedCode("CapsLock"), -1);
    EXPECT_EQ(webTypedCode("F11"), -1);
    EXPECT_EQ(webTypedCode("Dead"), -1);
    EXPECT_EQ(webTypedCode(""), -1);
    EXPECT_EQ(webTypedCode(nullptr), -1);
}

TEST(WebKeys, PressesFillTheKeyStateAndTheQueue) {
    resetKeys();
    webKeyPressed("ShiftLeft", "Shift");
    webKeyPressed("KeyH", "H");
    webKeyPressed("ArrowUp", "ArrowUp");
    EXPECT_TRUE(keyHeld(42));
    EXPECT_TRUE(keyHeld(35));
    EXPECT_TRUE(keyHeld(scan::up));
    EXPECT_EQ(readTypedKey(), "H");
    EXPECT_EQ(readTypedKey(), special(72));
    EXPECT_EQ(readTypedKey(), "");
    // Ctrl held: the key still types its character (Ctrl+h takes a screenshot).
    webKeyPressed("ControlLeft", "Control");
    webKeyPressed("KeyH", "h");
    EXPECT_EQ(readTypedKey(), "h");
    // A held key repeats: every repeat is one more typed code.
    webKeyPressed("Space", " ");
    webKeyPressed("Space", " ");
    webKeyReleased("Space");
    EXPECT_EQ(readTypedKey(), " ");
    EXPECT_EQ(readTypedKey(), " ");
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
    EXPECT_EQ(readTypedKey(), special(75));
    EXPECT_EQ(readTypedKey(), special(75));
    EXPECT_EQ(readTypedKey(), "z");
    resetKeys();
}

TEST(WebKeys, OnlyScrollingKeysLoseTheirBrowserDefault) {
    for (const char* code :
         {"ArrowUp", "ArrowDown", "ArrowLeft", "ArrowRight", "Space", "Numpad4", "Numpad0"})
        EXPECT_TRUE(webSuppressDefault(code)) << code;
    for (const char* code : {"KeyH", "F5", "Escape", "Tab", "NumpadEnter", "Numpad", ""})
        EXPECT_FALSE(webSuppressDefault(code)) << code;
    EXPECT_FALSE(webSuppressDefault(nullptr));
}

}  // namespace
