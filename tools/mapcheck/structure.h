// The structure of a level map: whether the game can play the picture at
// all. Its format and size, the table limits, exactly one start marker
// standing two rows above a floor, a start column the exit beam can hang in,
// the mission's objective items, and colours near a map colour without
// matching it (a paint program's smoothing). brastor-mapcheck reports these;
// brastor-playtest and brastor-headless refuse a level with any such error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mapcheck/findings.h"
#include "mapcheck/rules.h"

struct MapStructure {
    bool readable = false;  // false: not a picture the game reads; nothing more was checked
    int mission = 0;        // the mission given, or the one the map's contents ask for
    int width = 0, height = 0;
    RuleGrid play;          // the cells as the game plays them, for the play rules and the picture
    int enemies = 0, solidCells = 0, generators = 0, hostages = 0;
    int starts = 0, startX = -1, startY = -1;  // the marker the game uses
    bool beamBlocked = false;  // the start column is solid above the start: no exit beam can hang
};

// The mission whose rules a map's contents ask for: 2 for hostages and no
// generator, else 1 (as the level tester chooses).
int missionOfContents(int generators, int hostages);

// Checks the map picture `bmp` (a BMP file's bytes) under mission `mission`
// (0: the one its contents ask for), adding what it finds to `findings`.
MapStructure checkStructure(const std::vector<std::uint8_t>& bmp, int mission, Findings& findings);
