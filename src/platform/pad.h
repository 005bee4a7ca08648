// Gamepads and on-screen touch controls as the game knows them: a button held
// is the key it stands for, so the game's rules never hear of pads. Plain C++
// with no backend header; the window and browser backends feed it.
#pragma once

#include "platform/keys.h"

// Buttons in the standard layout (SDL's game controller, the browser's
// "standard" gamepad mapping), named by position, not by label.
enum class PadButton : int {
    south,      // A / cross: jump
    east,       // B / circle: crouch
    west,       // X / square: fire
    north,      // Y / triangle: streamer
    back,       // Back / Select: Escape, held
    start,      // Start: Space, and types " "
    dpadUp,
    dpadDown,
    dpadLeft,
    dpadRight,
    count
};
constexpr int padButtonCount = static_cast<int>(PadButton::count);

// One pad's (or the touch controls') inputs at one moment. Stick axes run
// from -1 (left, up) to 1 (right, down).
struct PadInput {
    bool buttons[padButtonCount] = {};
    float stickX = 0;
    float stickY = 0;
};

// What one pad holds now, so that a change presses or lets go of exactly its
// own keys, and unplugging lets go of everything it held.
struct PadKeys {
    bool held[keyFlagCount] = {};
};

// Half deflection or more counts as held.
constexpr float padStickDeadZone = 0.5f;

// Scan code that a button stands for (0 for none).
int padScanCode(PadButton button);

// Backend thread: presses and releases the keys whose state changed since the
// last call for pad `number` (0..keySourcePads-1); Start going down also types
// " ". Never allocates.
void applyPadInput(PadKeys& pad, const PadInput& input, int number);
// The pad went away: every key it held is released.
void releasePad(PadKeys& pad, int number);
