// The browser page, carried by Emscripten. The page has one thread: the game
// runs on it and every sleep of the game yields to the browser (Asyncify
// unwinds the game's stack and rewinds it when the timer fires), so the
// game's blocking loops keep their shape while key events and painting
// happen in between. The frame reaches the page's canvas through putImageData.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstring>

#include "platform/backend.h"
#include "platform/pad.h"
#include "platform/platform.h"
#include "platform/web/web_keys.h"

// The frame as the canvas wants it: bytes R, G, B, A with A always opaque
// (the frame buffer's alpha byte carries nothing to show).
alignas(16) std::uint32_t webCanvasPixels[screenWidth * screenHeight];

namespace {

// ---- page side

// Sizes the canvas; false when the page has none.
EM_JS(int, pageOpenCanvas, (int width, int height), {
    var canvas = Module['canvas'] || document.getElementById('screen');
    if (!canvas) return 0;
    Module['canvas'] = canvas;
    canvas.width = width;
    canvas.height = height;
    Module['brastorContext'] = canvas.getContext('2d', {alpha: false});
    Module['brastorStats'] = {frames: 0, drawMs: 0, showMs: 0, lastDrawMs: 0, lastShowMs: 0,
                              playFrames: 0, workMs: 0};
    if (Module['onScreenOpened']) Module['onScreenOpened'](width, height);
    return 1;
});

// Copies the prepared pixels to the canvas and keeps the frame statistics
// the page and the browser test read: `drawMs` is the game's time with the
// screen locked, `showMs` the conversion and copy to the canvas.
EM_JS(void, pageShowFrame, (const void* pixels, int width, int height, double drawMs,
                            double convertMs), {
    var context = Module['brastorContext'];
    if (!context) return;
    var start = performance.now();
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    context.putImageData(new ImageData(bytes, width, height), 0, 0);
    var stats = Module['brastorStats'];
    stats.frames += 1;
    stats.lastDrawMs = drawMs;
    stats.lastShowMs = convertMs + (performance.now() - start);
    stats.drawMs += stats.lastDrawMs;
    stats.showMs += stats.lastShowMs;
});

// A free-running clock in seconds: the page's time origin (wall time, so two
// visits seed differently) plus the high-resolution time since then.
EM_JS(double, pageClockSeconds, (), {
    return (performance.timeOrigin + performance.now()) / 1000;
});

EM_JS(double, pageNowMs, (), { return performance.now(); });

// Adds one play frame's work, from the end of one sleep to the start of the
// next: the frame's cost with no waiting in it.
EM_JS(void, pageCountFrameWork, (double workMs), {
    var stats = Module['brastorStats'];
    if (!stats) return;
    stats.playFrames += 1;
    stats.workMs += workMs;
});

EM_JS(void, pageGameEnded, (int exitCode), {
    if (Module['onGameEnded']) Module['onGameEnded'](exitCode);
});

// The whole page goes full screen or back; the page rescales the canvas when
// its size changes.
EM_JS(void, pageToggleFullScreen, (), {
    var change = document.fullscreenElement ? document.exitFullscreen()
                                            : document.documentElement.requestFullscreen();
    if (change && change.catch) change.catch(function (error) { console.warn(String(error)); });
});

// Files the game saves (the screenshot) live in the page's memory, out of the
// player's reach: each one is offered as a download under its own name once
// it is complete, that is renamed into place.
EM_JS(void, pageOfferSavedFiles, (), {
    var rename = FS.rename;
    FS.rename = function (from, to) {
        rename(from, to);
        var name = to.slice(to.lastIndexOf('/') + 1);
        var type = name.slice(-4) === '.bmp' ? 'image/bmp' : 'application/octet-stream';
        var link = document.createElement('a');
        link.href = URL.createObjectURL(new Blob([FS.readFile(to)], {type: type}));
        link.download = name;
        document.body.appendChild(link);
        link.click();
        link.remove();
        setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000);
    };
});

// Writes, for each pad slot, 1 when a pad with the standard layout is there,
// its buttons in PadButton order (1 held) and its left stick's two axes. The
// slots are the browser's first gamepads, then the page's touch controls,
// which look like one more standard pad (Module.touchPad).
EM_JS(void, pageReadPads, (float* values, int slots, int valuesPerSlot), {
    var order = [0, 1, 2, 3, 8, 9, 12, 13, 14, 15];  // south, east, west, north, back, start, D-pad
    var pads = [];
    try {
        if (navigator.getGamepads) pads = Array.prototype.slice.call(navigator.getGamepads(), 0, slots - 1);
    } catch (error) {
        pads = [];  // a page without the permission to read gamepads
    }
    pads[slots - 1] = Module['touchPad'] ? Module['touchPad']() : null;
    for (var slot = 0; slot < slots; ++slot) {
        var pad = pads[slot];
        var usable = !!pad && pad.connected !== false && pad.mapping === 'standard';
        var at = (values >> 2) + slot * valuesPerSlot;
        HEAPF32[at] = usable ? 1 : 0;
        for (var k = 0; k < order.length; ++k) {
            var button = usable ? pad.buttons[order[k]] : null;
            HEAPF32[at + 1 + k] = button && button.pressed ? 1 : 0;
        }
        HEAPF32[at + 1 + order.length] = usable && pad.axes.length > 1 ? pad.axes[0] : 0;
        HEAPF32[at + 2 + order.length] = usable && pad.axes.length > 1 ? pad.axes[1] : 0;
    }
});

// ---- frame

double lockedSince = 0;  // pageNowMs() when the screen lock was taken
double awakeSince = 0;   // pageNowMs() when the game's latest sleep ended

// Converts the frame buffer for the canvas and shows it. Only with no screen
// lock held, so never a half-drawn frame.
void showFrame(double drawMs) {
    const double start = pageNowMs();
    const std::uint32_t* from = framePixels();
    for (int i = 0; i < screenWidth * screenHeight; ++i) {
        const std::uint32_t p = from[i];
        webCanvasPixels[i] =
            0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }
    pageShowFrame(webCanvasPixels, screenWidth, screenHeight, drawMs, pageNowMs() - start);
}

// ---- pads

constexpr int padSlots = 5;  // four gamepads and the touch controls
static_assert(padSlots <= keySourcePads);
constexpr int padValuesPerSlot = 1 + padButtonCount + 2;
float padValues[padSlots * padValuesPerSlot];
PadKeys padKeys[padSlots];

// Reads every pad once; its changes press and let go of keys, and a pad that
// has gone lets go of everything it held.
void pollPads() {
    pageReadPads(padValues, padSlots, padValuesPerSlot);
    for (int slot = 0; slot < padSlots; ++slot) {
        const float* values = padValues + slot * padValuesPerSlot;
        PadInput input;
        for (int b = 0; b < padButtonCount; ++b) input.buttons[b] = values[1 + b] != 0;
        input.stickX = values[1 + padButtonCount];
        input.stickY = values[2 + padButtonCount];
        if (values[0] != 0) {
            applyPadInput(padKeys[slot], input, slot);
        } else {
            releasePad(padKeys[slot], slot);
        }
    }
}

void releasePads() {
    for (int slot = 0; slot < padSlots; ++slot) releasePad(padKeys[slot], slot);
}

// ---- page events; they run between two sleeps of the game

bool isEnter(const char* code) {
    return std::strcmp(code, "Enter") == 0 || std::strcmp(code, "NumpadEnter") == 0;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    // Alt+Enter switches full screen, as in the window: the key counts as
    // held but types nothing.
    if (event->altKey && isEnter(event->code)) {
        webKeyPressed(event->code, "");
        if (!event->repeat) pageToggleFullScreen();
        return EM_TRUE;
    }
    webKeyPressed(event->code, event->key);
    return webSuppressDefault(event->code);
}

EM_BOOL onKeyUp(int, const EmscriptenKeyboardEvent* event, void*) {
    webKeyReleased(event->code);
    return webSuppressDefault(event->code);
}

EM_BOOL onFocus(int, const EmscriptenFocusEvent*, void*) {
    webFocusChanged();
    return EM_FALSE;
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent*, void*) {
    webFocusChanged();
    return EM_FALSE;
}

const char* const pageWindow = EMSCRIPTEN_EVENT_TARGET_WINDOW;

void listenToPage(bool on) {
    emscripten_set_keydown_callback(pageWindow, nullptr, EM_TRUE, on ? onKeyDown : nullptr);
    emscripten_set_keyup_callback(pageWindow, nullptr, EM_TRUE, on ? onKeyUp : nullptr);
    emscripten_set_blur_callback(pageWindow, nullptr, EM_TRUE, on ? onFocus : nullptr);
    emscripten_set_focus_callback(pageWindow, nullptr, EM_TRUE, on ? onFocus : nullptr);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, on ? onVisibility : nullptr);
}

}  // namespace

// For the page: 1 while the game waits for Space (the title, a text box), so
// it can point a touch player at Start, or offer giving up only in play.
extern "C" EMSCRIPTEN_KEEPALIVE int brastorWaitsForSpace() { return waitingForSpace() ? 1 : 0; }

int backendOpen(int width, int height) {
    if (width != screenWidth || height != screenHeight) return 1;
    return pageOpenCanvas(width, height) ? 0 : 1;
}

void backendAcquireScreen() { lockedSince = pageNowMs(); }

void backendReleaseScreen() { showFrame(pageNowMs() - lockedSince); }

// Under the screen lock the frame is not whole; the release will show it.
void backendPresent() {
    if (screenLockCount() == 0) showFrame(0);
}

double backendClockSeconds() { return pageClockSeconds(); }

// Always yields, even for no time, so a loop that sleeps cannot freeze the
// page. Every loop of the game sleeps once a pass, so the pads are read here,
// fresh for the pass that follows. The time between two sleeps outside the
// screens that wait for Space is a play frame's work.
void backendSleepMs(int milliseconds) {
    if (awakeSince > 0 && !waitingForSpace()) pageCountFrameWork(pageNowMs() - awakeSince);
    emscripten_sleep(milliseconds > 0 ? static_cast<unsigned>(milliseconds) : 0u);
    pollPads();
    awakeSince = pageNowMs();
}

// The data folders are packed with the page at the root of its file system.
// Returns the game's exit code once it has ended (Escape on the title screen);
// the page then says so.
int runOnPlatform(int (*gameEntry)()) {
    setDataFolder("/");
    webFocusChanged();
    pageOfferSavedFiles();
    listenToPage(true);
    const int exitCode = gameEntry();
    listenToPage(false);
    releasePads();
    webFocusChanged();
    pageGameEnded(exitCode);
    return exitCode;
}
