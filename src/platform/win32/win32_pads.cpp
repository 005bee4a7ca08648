// Gamepads through XInput, loaded at the first poll (whichever version this
// Windows has) and kept until the process ends: XInput runs a thread of its
// own, and unloading the library under it crashed the program as it quit.
// pad.cpp turns the pads into held keys. Window thread only.
#include "platform/pad.h"
#include "platform/win32/win32_backend.h"

#include <xinput.h>

namespace {

using GetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

constexpr int maxPads = XUSER_MAX_COUNT < keySourcePads ? XUSER_MAX_COUNT : keySourcePads;
// Asking for an absent pad is slow, so empty slots are looked at only this often.
constexpr DWORD absentPadPeriodMs = 2000;

struct PadSlot {
    bool connected = false;
    DWORD packet = 0;
    PadKeys keys;
};

struct Pads {
    GetStateFunction getState = nullptr;
    bool loaded = false;
    DWORD lastAbsentCheck = 0;
    PadSlot slots[maxPads];
};
Pads pads;

void load() {
    pads.loaded = true;
    for (const wchar_t* name : {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"}) {
        HMODULE library = LoadLibraryW(name);
        if (!library) continue;
        pads.getState = reinterpret_cast<GetStateFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState")));
        if (pads.getState) return;  // never freed: see the top of this file
        FreeLibrary(library);
    }
}

float axisValue(SHORT value) { return value < 0 ? value / 32768.0f : value / 32767.0f; }

PadInput inputOf(const XINPUT_GAMEPAD& pad) {
    struct Bit {
        WORD mask;
        PadButton button;
    };
    static constexpr Bit bits[] = {
        {XINPUT_GAMEPAD_A, PadButton::south},         {XINPUT_GAMEPAD_B, PadButton::east},
        {XINPUT_GAMEPAD_X, PadButton::west},          {XINPUT_GAMEPAD_Y, PadButton::north},
        {XINPUT_GAMEPAD_BACK, PadButton::back},       {XINPUT_GAMEPAD_START, PadButton::start},
        {XINPUT_GAMEPAD_DPAD_UP, PadButton::dpadUp},  {XINPUT_GAMEPAD_DPAD_DOWN, PadButton::dpadDown},
        {XINPUT_GAMEPAD_DPAD_LEFT, PadButton::dpadLeft}, {XINPUT_GAMEPAD_DPAD_RIGHT, PadButton::dpadRight},
    };
    PadInput input;
    for (const Bit& bit : bits) input.buttons[static_cast<int>(bit.button)] = (pad.wButtons & bit.mask) != 0;
    input.stickX = axisValue(pad.sThumbLX);
    input.stickY = -axisValue(pad.sThumbLY);  // XInput's up is positive
    return input;
}

}  // namespace

void pollPads() {
    if (!pads.loaded) load();
    if (!pads.getState) return;
    const DWORD now = GetTickCount();
    const bool lookForNew = now - pads.lastAbsentCheck >= absentPadPeriodMs;
    if (lookForNew) pads.lastAbsentCheck = now;
    for (int n = 0; n < maxPads; ++n) {
        PadSlot& slot = pads.slots[n];
        if (!slot.connected && !lookForNew) continue;
        XINPUT_STATE state{};
        if (pads.getState(static_cast<DWORD>(n), &state) != ERROR_SUCCESS) {
            if (slot.connected) releasePad(slot.keys, n);
            slot.connected = false;
            continue;
        }
        if (slot.connected && state.dwPacketNumber == slot.packet) continue;
        slot.connected = true;
        slot.packet = state.dwPacketNumber;
        applyPadInput(slot.keys, inputOf(state.Gamepad), n);
    }
}

// Lets go of what the pads hold; the library stays loaded.
void closePads() {
    for (int n = 0; n < maxPads; ++n)
        if (pads.slots[n].connected) releasePad(pads.slots[n].keys, n);
    const GetStateFunction getState = pads.getState;
    pads = Pads{};
    pads.getState = getState;
    pads.loaded = getState != nullptr;
}
