// The window program driven from inside: a driver thread feeds SDL events
// (keys, focus changes, full screen, a virtual pad, the close button) while
// the game runs on its thread and the event thread shows its frames.
//   brastor-window-driver stress   thousands of keys, then "h" presses and a
//                                  close; screen.bmp is never seen torn
//   brastor-window-driver pad      a virtual pad gives the keyboard's keys and
//                                  plays from the title into a mission and out
// Prints "passed" and exits 0, or prints what failed and exits 1.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "shell/game.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// One step's bound: a loaded machine running the ThreadSanitizer build is slow.
constexpr auto stepWait = 90s;

std::atomic<int> titles{0}, missions{0}, finals{0}, shots{0}, ends{0};
std::atomic<long> frames{0};
std::string failure;  // the driver's; read after it has been joined
std::string summary;

void watchGame(GameEvent event, void*) {
    switch (event) {
    case GameEvent::titleShown: ++titles; break;
    case GameEvent::missionStart: ++missions; break;
    case GameEvent::finalScreen: ++finals; break;
    case GameEvent::screenshot: ++shots; break;
    case GameEvent::frameEnd: ++frames; break;
    case GameEvent::programEnd: ++ends; break;
    default: break;
    }
}

bool fail(const std::string& what) {
    if (failure.empty()) failure = what;
    return false;
}

void push(SDL_Event& event) {
    const auto end = Clock::now() + stepWait;
    while (SDL_PushEvent(&event) != 1 && Clock::now() < end) std::this_thread::sleep_for(1ms);
}

// A key, and the text its press brings (as the window system sends it).
struct Key { SDL_Scancode code; SDL_Keycode sym; const char* text = nullptr; };
const Key space{SDL_SCANCODE_SPACE, SDLK_SPACE, " "}, keyH{SDL_SCANCODE_H, SDLK_h, "h"},
    enter{SDL_SCANCODE_RETURN, SDLK_RETURN}, left{SDL_SCANCODE_LEFT, SDLK_LEFT}, keyZ{SDL_SCANCODE_Z, SDLK_z, "z"};

void key(Key k, bool down, Uint16 mod = KMOD_NONE) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = k.code;
    event.key.keysym.sym = k.sym;
    event.key.keysym.mod = mod;
    push(event);
    if (!down || !k.text || mod != KMOD_NONE) return;
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, k.text, sizeof text.text.text);
    push(text);
}
void tap(Key k) { key(k, true), key(k, false); }
void send(Uint32 type, Uint8 windowEvent = 0) {
    SDL_Event event{.type = type};
    event.window.event = windowEvent;
    push(event);
}

// Repeats `act` every 10 ms until `done`, within the step's bound. The game
// ending first is a failure unless that is what is awaited.
template <class Done, class Act>
bool until(const char* what, Done done, Act act) {
    const auto end = Clock::now() + stepWait;
    while (!done()) {
        if (ends > 0) return fail(std::string("the game ended before ") + what);
        if (Clock::now() > end) return fail(std::string("timed out waiting for ") + what);
        act();
        std::this_thread::sleep_for(10ms);
    }
    return true;
}
bool until(const char* what, auto done) { return until(what, done, [] {}); }

// Taps a key until play frames run (a text screen empties the queue when it
// opens, so one early tap can be lost).
bool reachPlay(Key k) {
    const long before = frames;
    int tick = 0;
    return until("play", [&] { return frames > before + 1; }, [&] { ++tick % 10 == 0 ? tap(k) : void(); });
}

// ---------------------------------------------------------------- stress

void stress() {
    if (!until("the title", [] { return titles > 0; }) || !reachPlay(space)) return;
    const Key keys[] = {
        left, {SDL_SCANCODE_RIGHT, SDLK_RIGHT}, {SDL_SCANCODE_UP, SDLK_UP}, {SDL_SCANCODE_DOWN, SDLK_DOWN},
        {SDL_SCANCODE_KP_4, SDLK_KP_4}, {SDL_SCANCODE_KP_6, SDLK_KP_6}, {SDL_SCANCODE_KP_8, SDLK_KP_8},
        keyZ, {SDL_SCANCODE_X, SDLK_x, "x"}, keyH};
    constexpr int count = std::size(keys);
    bool held[count] = {};
    std::mt19937 random(20261207);
    constexpr int events = 6000;
    for (int i = 0; i < events; ++i) {
        const int n = static_cast<int>(random() % count);
        held[n] = !held[n];
        key(keys[n], held[n]);
        if (i % 300 == 150) send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST),
                                 send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED);
        if (i % 1000 == 500) key(enter, true, KMOD_LALT), key(enter, false, KMOD_LALT);  // full screen and back
        if (i % 4 == 3) std::this_thread::sleep_for(2ms);  // a few seconds of play
        if (ends > 0) return void(fail("the game ended during the key storm"));
    }
    for (int n = 0; n < count; ++n)
        if (held[n]) key(keys[n], false);

    // "h" presses save the screen frame after frame; the window closes among
    // them. Every look at screen.bmp must find it whole.
    if (!reachPlay(space)) return;
    namespace fs = std::filesystem;
    int whole = 0, torn = 0;
    const auto look = [&] {
        std::error_code error;
        const auto size = fs::file_size("screen.bmp", error);
        if (!error) ++(size == 921654 ? whole : torn);
    };
    const int before = shots;
    const auto pressAndLook = [&] { tap(keyH); for (int i = 0; i < 20; ++i) look(); };
    if (!until("screenshots", [&] { return shots >= before + 10; }, pressAndLook)) return;
    send(SDL_QUIT);
    // Looking without a pause: a torn file lasts only while a write is under way.
    const auto end = Clock::now() + stepWait;
    while (ends == 0 && Clock::now() < end) pressAndLook();
    if (ends == 0) return void(fail("the game did not end after the close"));
    if (torn > 0) return void(fail(std::to_string(torn) + " looks found screen.bmp torn"));
    summary = std::to_string(events) + " key events, " + std::to_string(frames) + " frames, " +
              std::to_string(shots) + " screenshots, " + std::to_string(whole) + " whole looks";
}

// ---------------------------------------------------------------- pad

SDL_Joystick* pad = nullptr;
int padIndex = -1;

bool plugPad() {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "driver pad";
    padIndex = SDL_JoystickAttachVirtualEx(&desc);
    pad = padIndex < 0 ? nullptr : SDL_JoystickOpen(padIndex);
    return pad || fail(std::string("no virtual pad: ") + SDL_GetError());
}

void unplugPad() { SDL_JoystickClose(pad), SDL_JoystickDetachVirtual(padIndex), pad = nullptr; }

void button(SDL_GameControllerButton b, bool down) { SDL_JoystickSetVirtualButton(pad, b, down ? 1 : 0); }
void axis(SDL_GameControllerAxis a, double value) {
    SDL_JoystickSetVirtualAxis(pad, a, static_cast<Sint16>(std::lround(value < 0 ? value * 32768 : value * 32767)));
}

// The game's keys (Escape is left out: held on the title screen it quits).
constexpr int gameKeys[] = {44, 45, 57, 72, 75, 77, 80};

// Exactly `code` (0: none) among the game's keys is held.
bool holdsOnly(int code) {
    for (int k : gameKeys)
        if (keyHeld(k) != (k == code)) return false;
    return true;
}

void padPlay() {
    if (!until("the title", [] { return titles > 0; }) || !plugPad()) return;
    // A button, or (none) a stick axis at a deflection, and the key it holds.
    constexpr auto none = SDL_CONTROLLER_BUTTON_INVALID;
    const struct { const char* what; SDL_GameControllerButton b; SDL_GameControllerAxis a; double v; int code; }
        cases[] = {{"A", SDL_CONTROLLER_BUTTON_A, {}, 0, 72}, {"B", SDL_CONTROLLER_BUTTON_B, {}, 0, 80},
        {"X", SDL_CONTROLLER_BUTTON_X, {}, 0, 44}, {"Y", SDL_CONTROLLER_BUTTON_Y, {}, 0, 45},
        {"d-pad up", SDL_CONTROLLER_BUTTON_DPAD_UP, {}, 0, 72}, {"stick up", none, SDL_CONTROLLER_AXIS_LEFTY, -1, 72},
        {"d-pad down", SDL_CONTROLLER_BUTTON_DPAD_DOWN, {}, 0, 80},
        {"stick down", none, SDL_CONTROLLER_AXIS_LEFTY, 1, 80},
        {"d-pad left", SDL_CONTROLLER_BUTTON_DPAD_LEFT, {}, 0, 75},
        {"stick left", none, SDL_CONTROLLER_AXIS_LEFTX, -1, 75},
        {"d-pad right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT, {}, 0, 77},
        {"stick half right", none, SDL_CONTROLLER_AXIS_LEFTX, 0.5, 77},
        {"stick short of half", none, SDL_CONTROLLER_AXIS_LEFTX, 0.45, 0},
        {"right stick", none, SDL_CONTROLLER_AXIS_RIGHTX, 1, 0}};
    for (const auto& c : cases) {
        const auto set = [&](bool on) { c.b != none ? button(c.b, on) : axis(c.a, on ? c.v : 0); };
        // Pad events are handled in order: for an input that holds nothing,
        // Y pressed after it shows when the input has been seen.
        set(true);
        if (c.code == 0) button(SDL_CONTROLLER_BUTTON_Y, true);
        if (!until(c.what, [&] { return holdsOnly(c.code == 0 ? 45 : c.code); })) return;
        set(false);
        if (c.code == 0) button(SDL_CONTROLLER_BUTTON_Y, false);
        if (!until(c.what, [] { return holdsOnly(0); })) return;
    }

    // Start types " ": title -> briefing -> play.
    const auto tapStart = [tick = 0]() mutable { button(SDL_CONTROLLER_BUTTON_START, ++tick % 20 < 10); };
    if (!until("the briefing", [] { return missions > 0; }, tapStart)) return;
    button(SDL_CONTROLLER_BUTTON_START, false);
    const long before = frames;
    if (!until("play", [&] { return frames > before + 1; }, tapStart)) return;
    button(SDL_CONTROLLER_BUTTON_START, false);

    // Letting go of the keyboard's Left keeps the pad's; unplugging lets go
    // of the pad's keys, not of the keyboard's. Z pressed after a change
    // shows once the change has been handled.
    button(SDL_CONTROLLER_BUTTON_A, true);
    axis(SDL_CONTROLLER_AXIS_LEFTX, -1);
    if (!until("jump and left held", [] { return keyHeld(72) && keyHeld(75); })) return;
    key(left, true);
    key(left, false);
    key(keyZ, true);
    if (!until("the keyboard's Left let go", [] { return keyHeld(44); })) return;
    if (!keyHeld(75)) return void(fail("the keyboard released the pad's Left"));
    key(keyZ, false);
    key(left, true);
    unplugPad();
    key(keyZ, true);
    if (!until("the unplugged pad's keys let go", [] { return !keyHeld(72) && keyHeld(44); })) return;
    if (!keyHeld(75)) return void(fail("unplugging released the keyboard's Left"));
    key(left, false);
    key(keyZ, false);

    // Plugged in again: Back gives the mission up, Start goes on to the
    // title, Back held there ends the program.
    if (!plugPad()) return;
    button(SDL_CONTROLLER_BUTTON_BACK, true);
    if (!until("the final screen", [] { return finals > 0; })) return;
    button(SDL_CONTROLLER_BUTTON_BACK, false);
    if (!until("the title again", [] { return titles > 1; }, tapStart)) return;
    button(SDL_CONTROLLER_BUTTON_START, false);
    button(SDL_CONTROLLER_BUTTON_BACK, true);
    if (!until("Back held on the title to end the game", [] { return ends > 0; })) return;
    summary = "pad plugged twice, " + std::to_string(frames) + " frames";
}

void (*driverEntry)() = stress;

int gameWithDriver() {
    std::thread driver([] {
        driverEntry();
        if (!failure.empty()) send(SDL_QUIT);
    });
    const int code = runGame(-1);
    driver.join();
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const bool padRun = argc > 1 && std::strcmp(argv[1], "pad") == 0;
    if (padRun) driverEntry = padPlay;
    // The pad must count without the window's focus (there is no window manager).
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    setGameEventHook(watchGame, nullptr);
    const int code = runOnPlatform(gameWithDriver);
    if (!failure.empty() || code != 0) {
        std::printf("FAIL: %s (exit code %d)\n", failure.c_str(), code);
        return 1;
    }
    std::printf("%s passed: %s\n", padRun ? "pad" : "stress", summary.c_str());
    return 0;
}
