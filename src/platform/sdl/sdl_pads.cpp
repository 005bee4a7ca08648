// Gamepads through SDL's game-controller layer: its database maps common pads
// to the standard layout, and pad.cpp turns that into held keys. Event thread only.
#include "platform/backend.h"
#include "platform/pad.h"
#include "platform/sdl/sdl_backend.h"

namespace {

constexpr int maxPads = keySourcePads;

struct PadSlot {
    SDL_GameController* controller = nullptr;
    SDL_JoystickID id = -1;
    PadInput input;
    PadKeys keys;
};
PadSlot pads[maxPads];

PadSlot* findPad(SDL_JoystickID id) {
    for (auto& pad : pads)
        if (pad.controller && pad.id == id) return &pad;
    return nullptr;
}

int padButton(Uint8 button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return static_cast<int>(PadButton::south);
    case SDL_CONTROLLER_BUTTON_B: return static_cast<int>(PadButton::east);
    case SDL_CONTROLLER_BUTTON_X: return static_cast<int>(PadButton::west);
    case SDL_CONTROLLER_BUTTON_Y: return static_cast<int>(PadButton::north);
    case SDL_CONTROLLER_BUTTON_BACK: return static_cast<int>(PadButton::back);
    case SDL_CONTROLLER_BUTTON_START: return static_cast<int>(PadButton::start);
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return static_cast<int>(PadButton::dpadUp);
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return static_cast<int>(PadButton::dpadDown);
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return static_cast<int>(PadButton::dpadLeft);
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return static_cast<int>(PadButton::dpadRight);
    default: return -1;
    }
}

void applyInput(PadSlot& pad) { applyPadInput(pad.keys, pad.input, static_cast<int>(&pad - pads)); }

float axisValue(Sint16 value) { return value < 0 ? value / 32768.0f : value / 32767.0f; }

void openPad(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    if (findPad(SDL_JoystickGetDeviceInstanceID(deviceIndex))) return;
    for (auto& pad : pads) {
        if (pad.controller) continue;
        pad.controller = SDL_GameControllerOpen(deviceIndex);
        if (!pad.controller) return;
        pad.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad.controller));
        // Buttons already down when the pad arrives count at once.
        for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
            const int button = padButton(static_cast<Uint8>(b));
            if (button >= 0)
                pad.input.buttons[button] =
                    SDL_GameControllerGetButton(pad.controller, static_cast<SDL_GameControllerButton>(b)) != 0;
        }
        pad.input.stickX = axisValue(SDL_GameControllerGetAxis(pad.controller, SDL_CONTROLLER_AXIS_LEFTX));
        pad.input.stickY = axisValue(SDL_GameControllerGetAxis(pad.controller, SDL_CONTROLLER_AXIS_LEFTY));
        applyInput(pad);
        return;
    }
}

void closePad(PadSlot& pad) {
    pad.input = PadInput{};
    applyInput(pad);
    SDL_GameControllerClose(pad.controller);
    pad = PadSlot{};
}

}  // namespace

bool handlePadEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        openPad(event.cdevice.which);
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        if (PadSlot* pad = findPad(event.cdevice.which)) closePad(*pad);
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        PadSlot* pad = findPad(event.cbutton.which);
        const int button = padButton(event.cbutton.button);
        if (!pad || button < 0) return true;
        pad->input.buttons[button] = event.type == SDL_CONTROLLERBUTTONDOWN;
        applyInput(*pad);
        return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
        PadSlot* pad = findPad(event.caxis.which);
        if (!pad) return true;
        if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) pad->input.stickX = axisValue(event.caxis.value);
        else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) pad->input.stickY = axisValue(event.caxis.value);
        else return true;
        applyInput(*pad);
        return true;
    }
    default:
        return false;
    }
}

void closePads() {
    for (auto& pad : pads)
        if (pad.controller) SDL_GameControllerClose(pad.controller);
    for (auto& pad : pads) pad = PadSlot{};
}
