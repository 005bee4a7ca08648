// State of the SDL2 window backend, shared by the main (event) thread and the
// game thread. Only the files in this folder include it.
#pragma once

#include <SDL.h>

#include <atomic>

#include "platform/window_link.h"

struct SdlBackend {
    // The window request, the screen lock (the refresh takes it only for the
    // copy into the texture) and the present handshake.
    WindowLink link;

    // Wakes the event thread; one wake event in flight at a time.
    Uint32 wakeEventType = static_cast<Uint32>(-1);
    std::atomic<bool> wakePending{false};
    std::atomic<bool> eventLoopRunning{false};

    // Event thread only.
    WindowLoop loop;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool fullScreen = false;
    bool heldScancodes[SDL_NUM_SCANCODES] = {};
};
extern SdlBackend sdlBackend;

// PC set-1 scan code of an SDL key (extended keys by their low byte, the
// keypad by the arrow/navigation codes it shares); 0 for keys without one.
int setOneCode(SDL_Scancode scancode);
// The typed-key code of a key press: 256 + key byte for the special keys, a
// control character for Enter, Backspace, Tab and Escape, -1 when the key
// types nothing. Characters come from the text event that the window system
// queues behind the press (`textFollows`), which holds the layout, Shift and
// Caps Lock; a press with Ctrl, Alt or the system key held that brings no
// text gives the character here, a code page 437 code below 256.
int typedKeyCode(const SDL_Keysym& key, bool textFollows);

// Gamepads (sdl_pads.cpp), event thread: true when the event was a pad's.
bool handlePadEvent(const SDL_Event& event);
void closePads();
