// The page's keyboard as the game knows it: browser key events, named by the
// DOM's `code` (the physical key) and `key` (what it types), turned into PC
// set-1 scan codes and typed-key codes. Plain C++ with no browser header, so
// the mapping also builds and is tested natively.
#pragma once

// Physical keys the page knows; a key's flag is set while it is down, so a
// scan code shared by two keys (an arrow and its keypad twin) is released
// only when both are up.
constexpr int webKeyCount = 104;
extern bool webKeysDown[webKeyCount];

// PC set-1 scan code of a DOM `code` ("ArrowUp", "Numpad8", "KeyZ"); the
// keypad shares the arrow and navigation codes whatever Num Lock says. 0 for
// keys without one or a null name.
int webScanCode(const char* code);
// Typed-key code of a key press from the DOM `key` value, the character the
// layout gives the key under Shift, Caps Lock and Num Lock (Ctrl leaves it
// alone): a code page 437 character below 256, 256 + key byte for the special
// keys, -1 when the press types nothing or a character code page 437 lacks.
int webTypedCode(const char* key);
// True for keys whose browser default (scrolling the page) must not happen
// while the game has the focus.
bool webSuppressDefault(const char* code);

// Key events of the page, called by the backend's event handlers (never
// while the game is in the middle of a frame: the page is single-threaded).
void webKeyPressed(const char* code, const char* key);
void webKeyReleased(const char* code);
// The page gained or lost the focus, or was hidden: every key counts as up.
void webFocusChanged();
