// The level a level author names on the command line (brastor-playtest, and
// brastor-headless replaying its recordings): a mission folder, a map picture
// or a map source baked in memory as brastor-bake bakes it.
#pragma once

#include <string>

#include "shell/game.h"

// Fills `source` for LEVEL under mission `mission`'s rules (0: mission 2's
// when the map holds hostages and no generator, else mission 1's). A map
// source is baked and served from memory. On failure returns false with the
// reason in `error` (a source's own faults are already on standard error).
bool chooseLevel(const std::string& level, int mission, MissionSource& source, std::string& error);
