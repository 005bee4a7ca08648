// The handshake between the game thread and the thread that owns a desktop
// window (SDL's event thread, the Windows message thread): the window request,
// the screen lock and the present handshake. Each window backend keeps one
// WindowLink and passes its own wake function, which makes its window thread
// look at the link soon from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

enum class WindowState { none, requested, open };

struct WindowLink {
    // The screen lock: held by the game from lock count 0 -> 1 until 1 -> 0,
    // taken by the refresh only for the copy of the frame buffer.
    std::mutex screenMutex;
    std::atomic<bool> frameChanged{false};

    // Guarded by stateMutex: the window request and the present handshake.
    std::mutex stateMutex;
    std::condition_variable stateChanged;
    WindowState windowState = WindowState::none;
    int frameWidth = 0, frameHeight = 0;
    std::uint64_t presentsRequested = 0, presentsShown = 0;

    std::atomic<bool> gameDone{false};
};

using WakeWindowThread = void (*)();

// ---- game thread (the backend's platform contract calls)

// Asks the window thread for the window and waits until it exists, however
// long a busy window system takes (the window thread ends the program if it
// cannot be made). 1 for a bad size or when no window thread runs.
int linkOpen(WindowLink& link, int width, int height, bool windowThreadRunning, WakeWindowThread wake);
void linkAcquireScreen(WindowLink& link);
void linkReleaseScreen(WindowLink& link, WakeWindowThread wake);
// Returns once the window thread has copied what is drawn now, or after a
// short wait. Under the screen lock it cannot be copied, so it does not wait.
void linkPresent(WindowLink& link, WakeWindowThread wake);
// The game has returned; the window thread's loop ends.
void linkGameDone(WindowLink& link, WakeWindowThread wake);

// ---- window thread

// Makes the requested window, if one is asked for, with `createWindow`. A
// window that cannot be made ends the program: the game would run unseen;
// `explainFailure` says why on stderr first.
void linkServeWindowRequest(WindowLink& link, bool (*createWindow)(int width, int height),
                            void (*explainFailure)());

// One refresh's copy of the frame buffer: made with `copyFrame` unless the
// game holds the screen lock (then the last whole frame stays up).
struct FrameCopy {
    bool copied = false;
    std::uint64_t presents = 0;  // the presents asked for before the copy
};
FrameCopy linkCopyFrame(WindowLink& link, void (*copyFrame)());
// After the copy is on screen: the presents it covers are answered.
void linkFrameShown(WindowLink& link, const FrameCopy& copy);

// The largest whole multiple of the frame that fits the output, centred; an
// output smaller than the frame gets the frame shrunk to fit instead.
struct FrameArea {
    int x, y, width, height;
};
FrameArea fitFrame(int outWidth, int outHeight, int frameWidth, int frameHeight);

// ---- the window thread's loop

// Window thread only: what its loop carries from one pass to the next.
struct WindowLoop {
    bool redraw = false;  // the window system asks for the frame again
    bool quitting = false;
    std::chrono::steady_clock::time_point quitDeadline{};
};

// The window's close button: the game hears "k" and a quit request, and has
// a short grace to unwind before the loop leaves without it.
void windowCloseRequested(WindowLoop& loop);

// A backend's own part of the window thread.
struct WindowThreadCalls {
    WakeWindowThread wake;
    void (*handleEvents)(int timeoutMs);  // waits up to timeoutMs for events, handles all there are
    bool (*createWindow)(int width, int height);
    void (*explainFailure)();
    bool (*windowExists)();
    void (*refresh)();  // linkCopyFrame, shows the frame, linkFrameShown
};

// Runs `gameEntry` on a thread of its own and the window thread's loop on
// this one until it returns: events, the window request and a refresh at
// the display's pace or as soon as a frame is released. Returns the game's
// exit code, or leaves the program with 0 when the window was closed and the
// game did not unwind in time.
int runWindowThread(WindowLink& link, WindowLoop& loop, const WindowThreadCalls& calls, int (*gameEntry)());
