// The desktop window, carried by SDL2. The main thread owns SDL: it creates
// the window, handles the events and copies the frame buffer to the window;
// the game runs on a thread of its own and talks to it through SdlBackend.
#include "platform/sdl/sdl_backend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/backend.h"
#include "platform/platform.h"

SdlBackend sdlBackend;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto displayWait = std::chrono::seconds(10);
constexpr auto displayRetry = std::chrono::milliseconds(100);

SdlBackend& sb = sdlBackend;

// Any thread: makes the event thread look at the shared state soon.
void wakeEventThread() {
    if (!sb.eventLoopRunning.load() || sb.wakeEventType == static_cast<Uint32>(-1)) return;
    if (sb.wakePending.exchange(true)) return;
    SDL_Event event{};
    event.type = sb.wakeEventType;
    if (SDL_PushEvent(&event) != 1) sb.wakePending.store(false);
}

// ---------------------------------------------------------------- event thread

bool createWindow(int width, int height) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // Hidden until the renderer is made: making it may replace the window
    // with a new one, and nobody should see or grab the first.
    sb.window = SDL_CreateWindow("Brastor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                 height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    if (!sb.window) return false;
    sb.renderer = SDL_CreateRenderer(sb.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!sb.renderer) sb.renderer = SDL_CreateRenderer(sb.window, -1, 0);
    if (!sb.renderer) sb.renderer = SDL_CreateRenderer(sb.window, -1, SDL_RENDERER_SOFTWARE);
    if (sb.renderer)
        sb.texture = SDL_CreateTexture(sb.renderer, SDL_PIXELFORMAT_ARGB8888,
                                       SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!sb.texture) return false;
    // The frame buffer's alpha byte is never shown.
    SDL_SetTextureBlendMode(sb.texture, SDL_BLENDMODE_NONE);
    SDL_ShowWindow(sb.window);
    // Typed characters come from text events, in the keyboard layout.
    SDL_StartTextInput();
    return true;
}

void destroyWindow() {
    if (sb.texture) SDL_DestroyTexture(sb.texture);
    if (sb.renderer) SDL_DestroyRenderer(sb.renderer);
    if (sb.window) SDL_DestroyWindow(sb.window);
    sb.texture = nullptr;
    sb.renderer = nullptr;
    sb.window = nullptr;
}

void explainWindowFailure() { std::fprintf(stderr, "brastor: cannot open a window: %s\n", SDL_GetError()); }

// Video on a display the player can see. When SDL cannot reach the display
// it falls back to an off-screen driver that shows nothing; an X server that
// is resetting (its last client just left) refuses connections for a moment,
// so a display that is named is tried again for a while. A driver named
// in SDL_VIDEODRIVER is taken as it is.
bool openVideo() {
    const bool named = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
    // On an X display only X is tried, so a retry is quiet and quick.
    if (!named && SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    const auto giveUp = Clock::now() + displayWait;
    for (;;) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            const std::string driver = SDL_GetCurrentVideoDriver();
            if (named || (driver != "offscreen" && driver != "dummy")) return true;
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            SDL_SetError("no display to show it on");
        }
        if (!SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY")) return false;
        if (Clock::now() >= giveUp) return false;
        std::this_thread::sleep_for(displayRetry);
    }
}

// The window's own scaling of the frame (a window smaller than the frame
// gets it shrunk).
SDL_Rect frameRect(int outWidth, int outHeight) {
    const FrameArea area = fitFrame(outWidth, outHeight, sb.link.frameWidth, sb.link.frameHeight);
    return SDL_Rect{area.x, area.y, area.width, area.height};
}

// The copy is made here rather than inside SDL, where the race checker
// could not see it read the frame buffer.
void copyFrameToTexture() {
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(sb.texture, nullptr, &pixels, &pitch) != 0) return;
    const auto* from = reinterpret_cast<const std::uint8_t*>(framePixels());
    auto* to = static_cast<std::uint8_t*>(pixels);
    const std::size_t row = static_cast<std::size_t>(sb.link.frameWidth) * 4;
    for (int y = 0; y < sb.link.frameHeight; ++y) std::memcpy(to + std::ptrdiff_t{y} * pitch, from + y * row, row);
    SDL_UnlockTexture(sb.texture);
}

// Copies the frame buffer into the texture unless the game holds the screen
// lock (then the last whole frame stays up), and shows it.
void refreshWindow() {
    if (!sb.texture) return;
    const FrameCopy copy = linkCopyFrame(sb.link, copyFrameToTexture);
    int outWidth = 0, outHeight = 0;
    SDL_GetRendererOutputSize(sb.renderer, &outWidth, &outHeight);
    SDL_SetRenderDrawColor(sb.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sb.renderer);
    if (outWidth > 0 && outHeight > 0) {
        const SDL_Rect target = frameRect(outWidth, outHeight);
        SDL_RenderCopy(sb.renderer, sb.texture, nullptr, &target);
    }
    SDL_RenderPresent(sb.renderer);
    linkFrameShown(sb.link, copy);
}

// A scan code's flag stays set while any key that shares it (an arrow and
// its keypad twin) is still down.
void releaseScancode(SDL_Scancode scancode) {
    const int code = setOneCode(scancode);
    sb.heldScancodes[scancode] = false;
    if (code == 0) return;
    for (int other = 0; other < SDL_NUM_SCANCODES; ++other)
        if (sb.heldScancodes[other] && setOneCode(static_cast<SDL_Scancode>(other)) == code) return;
    keyUp(code);
}

void forgetHeldKeys() {
    std::fill(std::begin(sb.heldScancodes), std::end(sb.heldScancodes), false);
    clearKeys();
}

// True when the window system has queued the text of the key press being
// handled right behind it (it does so in the same step as the press).
bool textEventFollows() {
    SDL_Event next[8];
    const int count = SDL_PeepEvents(next, 8, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    for (int i = 0; i < count; ++i) {
        if (next[i].type == SDL_TEXTINPUT) return true;
        if (next[i].type == SDL_KEYDOWN || next[i].type == SDL_KEYUP) return false;
    }
    return false;
}

void toggleFullScreen() {
    sb.fullScreen = !sb.fullScreen;
    SDL_SetWindowFullscreen(sb.window, sb.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void handleEvent(const SDL_Event& event) {
    if (event.type == sb.wakeEventType) {
        sb.wakePending.store(false);
        return;
    }
    if (handlePadEvent(event)) return;
    switch (event.type) {
    case SDL_QUIT:
        windowCloseRequested(sb.loop);
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // The keyboard's releases may go to another window now; a pad's
            // own events keep coming, so what pads hold stays held.
            forgetHeldKeys();
            break;
        case SDL_WINDOWEVENT_CLOSE:
            windowCloseRequested(sb.loop);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
            sb.loop.redraw = true;
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN: {
        const SDL_Keysym& key = event.key.keysym;
        if (key.scancode >= 0 && key.scancode < SDL_NUM_SCANCODES) {
            sb.heldScancodes[key.scancode] = true;
            if (int code = setOneCode(key.scancode)) keyDown(code);
        }
        const bool enter =
            key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER;
        if (enter && (key.mod & KMOD_ALT)) {
            if (!event.key.repeat && sb.window) toggleFullScreen();
            break;
        }
        pushTypedKey(typedKeyCode(key, textEventFollows()));
        break;
    }
    case SDL_TEXTINPUT:
        pushTypedText(event.text.text);
        break;
    case SDL_KEYUP:
        if (event.key.keysym.scancode >= 0 && event.key.keysym.scancode < SDL_NUM_SCANCODES)
            releaseScancode(event.key.keysym.scancode);
        break;
    default:
        break;
    }
}

// Waits up to timeoutMs for events and handles all there are.
void handleEvents(int timeoutMs) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs)) {
        handleEvent(event);
        while (SDL_PollEvent(&event)) handleEvent(event);
    }
}

bool windowExists() { return sb.window != nullptr; }

}  // namespace

// ---------------------------------------------------------------- game thread

// The event thread makes the window, or ends the program if it cannot.
int backendOpen(int width, int height) {
    return linkOpen(sb.link, width, height, sb.eventLoopRunning.load(), wakeEventThread);
}

void backendAcquireScreen() { linkAcquireScreen(sb.link); }

void backendReleaseScreen() { linkReleaseScreen(sb.link, wakeEventThread); }

void backendPresent() { linkPresent(sb.link, wakeEventThread); }

double backendClockSeconds() {
    static const double frequency = static_cast<double>(SDL_GetPerformanceFrequency());
    return static_cast<double>(SDL_GetPerformanceCounter()) / frequency;
}

void backendSleepMs(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// ---------------------------------------------------------------- main thread

// SDL on the main thread, the game on a second one; returns the game's exit
// code, or 0 when the window was closed and the game did not unwind in time.
int runOnPlatform(int (*gameEntry)()) {
    const std::string data = findInstalledDataFolder();
    if (const std::string missing = missingDataMessage(data); !missing.empty()) {
        std::fprintf(stderr, "%s\n", missing.c_str());
        return 1;
    }
    setDataFolder(data.c_str());
    if (SDL_Init(0) != 0 || !openVideo()) {
        std::fprintf(stderr, "brastor: cannot open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    // Without pads (or without their subsystem) the keyboard still plays.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    sb.wakeEventType = SDL_RegisterEvents(1);
    sb.eventLoopRunning.store(true);

    const WindowThreadCalls calls{wakeEventThread, handleEvents, createWindow, explainWindowFailure,
                                  windowExists, refreshWindow};
    const int exitCode = runWindowThread(sb.link, sb.loop, calls, gameEntry);

    sb.eventLoopRunning.store(false);
    closePads();
    destroyWindow();
    SDL_Quit();
    return exitCode;
}
