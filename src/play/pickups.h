// What touching a cell means, the power check and the objective check.
#pragma once

#include <cstdint>

// Walks the frame's contact list: collision flags for solid cells, pickups,
// keys, hostages, hazards and the exit beam for the others.
void contactPass();
// End of frame, before the frame is shown.
void powerCheck();
// End of frame, after it is shown, while the objective is not met. Returns true
// in the frame the objective is first met (barriers already cleared); the shell
// then shows "update.txt" and places the exit beam.
bool objectiveCheck();
