// Windows keys as the game knows them: the scan codes Windows reports are PC
// set-1 codes already; characters come from WM_CHAR, which holds the layout,
// Shift, Caps Lock and dead keys.
#include "platform/backend.h"
#include "platform/win32/win32_backend.h"

int setOneCode(LPARAM lParam) { return static_cast<int>((lParam >> 16) & 0x7F); }

int physicalKey(LPARAM lParam) {
    const bool extended = (lParam >> 24) & 1;
    return setOneCode(lParam) + (extended ? 128 : 0);
}

namespace {

constexpr int special = 256;

bool held(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

// Upper case of ASCII and Latin-1 letters; other characters as they are.
char32_t upperCase(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    return c;
}
char32_t lowerCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A' + 'a';
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    return c;
}

// Removes the character messages the translation of this key press queued.
void dropQueuedCharacters(HWND window) {
    MSG message;
    while (PeekMessageW(&message, window, WM_CHAR, WM_DEADCHAR, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, window, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE)) {
    }
}

}  // namespace

void typeKeyDown(HWND window, WPARAM virtualKey, LPARAM lParam) {
    switch (virtualKey) {
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_INSERT: case VK_DELETE:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_F1: case VK_F2: case VK_F3: case VK_F4: case VK_F5:
    case VK_F6: case VK_F7: case VK_F8: case VK_F9: case VK_F10:
        pushTypedKey(special + setOneCode(lParam));
        return;
    case VK_RETURN: pushTypedKey(13); dropQueuedCharacters(window); return;
    case VK_BACK: pushTypedKey(8); dropQueuedCharacters(window); return;
    case VK_TAB: pushTypedKey(9); dropQueuedCharacters(window); return;
    case VK_ESCAPE: pushTypedKey(27); dropQueuedCharacters(window); return;
    default: break;
    }
    const bool ctrl = held(VK_CONTROL), alt = held(VK_MENU);
    // Ctrl and Alt together are AltGr, whose characters WM_CHAR brings.
    if (ctrl == alt) return;
    // The layout's unshifted character of the key (letters in upper case, a
    // dead key with the top bit set). Letters take their case from Shift and
    // Caps Lock; what Shift makes of other keys is not known here.
    const UINT base = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR);
    if (base == 0 || (base & 0x80000000u)) return;
    dropQueuedCharacters(window);
    const char32_t c = lowerCase(static_cast<char32_t>(base));
    const bool shift = held(VK_SHIFT), caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    if (upperCase(c) != c) {
        pushTypedKey(cp437Code(shift != caps ? upperCase(c) : c));
    } else if (!shift) {
        pushTypedKey(cp437Code(c));
    }
}

void typeCharacter(wchar_t unit) {
    Win32Backend& wb = win32Backend;
    char32_t c = unit;
    if (unit >= 0xD800 && unit < 0xDC00) {
        wb.highSurrogate = unit;
        return;
    }
    if (unit >= 0xDC00 && unit < 0xE000) {
        if (!wb.highSurrogate) return;
        c = 0x10000 + ((static_cast<char32_t>(wb.highSurrogate) - 0xD800) << 10) + (unit - 0xDC00);
    }
    wb.highSurrogate = 0;
    // Control codes come from the key presses themselves (Enter, Ctrl+H, ...).
    if (c < 0x20 || c == 0x7F) return;
    pushTypedKey(cp437Code(c));
}
