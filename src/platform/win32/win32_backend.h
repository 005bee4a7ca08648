// State of the Windows backend, shared by the window thread (the program's
// main thread: the window, its messages and the copy to the screen) and the
// game thread. Only the files in this folder include it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/window_link.h"

struct Win32Backend {
    // The window request, the screen lock (the refresh takes it only for the
    // copy into `shown`) and the present handshake.
    WindowLink link;

    // Wakes the window thread; one wake message in flight at a time.
    std::atomic<DWORD> windowThreadId{0};
    std::atomic<bool> wakePending{false};

    // Game thread: the timer of the precise sleep.
    HANDLE sleepTimer = nullptr;
    bool coarseTimer = false;  // no high-resolution timer: timeBeginPeriod(1) is in force

    // Window thread only.
    WindowLoop loop;
    HWND window = nullptr;
    std::vector<std::uint32_t> shown;  // the last whole frame copied
    bool fullScreen = false;
    WINDOWPLACEMENT windowedPlacement{};
    bool heldKeys[256] = {};  // by physical key: set-1 code + 128 when extended
    wchar_t highSurrogate = 0;
};
extern Win32Backend win32Backend;

// The set-1 scan code of a key message's lParam (extended keys by their low
// byte, so the keypad shares the arrows' codes); 0 for keys without one.
int setOneCode(LPARAM lParam);
// The physical key of a key message: its set-1 code, + 128 when extended.
int physicalKey(LPARAM lParam);
// Typed-key codes of WM_KEYDOWN / WM_SYSKEYDOWN: the special keys (256 + key
// byte), Enter, Backspace, Tab and Escape, and the character of a key pressed
// with Ctrl or Alt (whose WM_CHAR, a control code, it takes off the queue).
// Everything else types through WM_CHAR.
void typeKeyDown(HWND window, WPARAM virtualKey, LPARAM lParam);
// A WM_CHAR's UTF-16 unit: the character in code page 437, if it has one.
void typeCharacter(wchar_t unit);

// Gamepads through XInput (win32_pads.cpp), window thread: polled once per refresh.
void pollPads();
void closePads();
