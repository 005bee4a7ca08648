// What touching a cell means, the power check and the objective check.
#pragma once

#include <cstdint>

// Hazard contacts that cost one power, and the most power the player can hold.
constexpr int hazardTicksPerPower = 100;
constexpr int maxPower = 4;

// Walks the frame's contact list: collision flags for solid cells, pickups,
// keys, hostages, hazards and the exit beam for the others.
void contactPass();
// End of frame, before the frame is shown.
void powerCheck();
// End of frame, after it is shown, while the objective is not met. Returns true
// in the frame the objective is first met (barriers already cleared); the shell
// then shows "update.txt" and places the exit beam.
bool objectiveCheck();
