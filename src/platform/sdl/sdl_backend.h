// State of the SDL2 window backend, shared by the main (event) thread and the
// game thread. Only the files in this folder include it.
#pragma once

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

enum class WindowState { none, requested, open };

struct SdlBackend {
    // The screen lock: held by the game from lock count 0 -> 1 until 1 -> 0,
    // taken by the refresh only for the copy into the texture.
    std::mutex screenMutex;
    std::atomic<bool> frameChanged{false};

    // Wakes the event thread; one wake event in flight at a time.
    Uint32 wakeEventType = static_cast<Uint32>(-1);
    std::atomic<bool> wakePending{false};
    std::atomic<bool> eventLoopRunning{false};

    // Guarded by stateMutex: the window request and the present handshake.
    std::mutex stateMutex;
    std::condition_variable stateChanged;
    WindowState windowState = WindowState::none;
    int frameWidth = 0, frameHeight = 0;
    std::uint64_t presentsRequested = 0, presentsShown = 0;

    std::atomic<bool> gameDone{false};

    // Event thread only.
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
