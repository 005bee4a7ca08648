// Pad buttons and stick to held keys and typed characters.
#include "platform/pad.h"

#include "platform/backend.h"
#include "platform/platform.h"

int padScanCode(PadButton button) {
    switch (button) {
        case PadButton::south: return scan::up;
        case PadButton::east: return scan::down;
        case PadButton::west: return scan::z;
        case PadButton::north: return scan::x;
        case PadButton::back: return scan::escape;
        case PadButton::start: return scan::space;
        case PadButton::dpadUp: return scan::up;
        case PadButton::dpadDown: return scan::down;
        case PadButton::dpadLeft: return scan::left;
        case PadButton::dpadRight: return scan::right;
        case PadButton::count: break;
    }
    return 0;
}

void applyPadInput(PadKeys& pad, const PadInput& input, int number) {
    bool want[keyFlagCount] = {};
    for (int b = 0; b < padButtonCount; ++b)
        if (input.buttons[b]) want[padScanCode(static_cast<PadButton>(b))] = true;
    if (input.stickX <= -padStickDeadZone) want[scan::left] = true;
    if (input.stickX >= padStickDeadZone) want[scan::right] = true;
    if (input.stickY <= -padStickDeadZone) want[scan::up] = true;
    if (input.stickY >= padStickDeadZone) want[scan::down] = true;
    want[0] = false;
    for (int code = 1; code < keyFlagCount; ++code) {
        if (want[code] == pad.held[code]) continue;
        pad.held[code] = want[code];
        if (want[code]) {
            padKeyDown(code, number);
            if (code == scan::space) pushTypedKey(' ');
        } else {
            padKeyUp(code, number);
        }
    }
}

void releasePad(PadKeys& pad, int number) { applyPadInput(pad, PadInput{}, number); }
