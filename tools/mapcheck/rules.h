// Play rules of a level map: what the player meets must be what the level
// shows. The checks follow every enemy along the cells it can reach (with the
// doors shut as loaded and again with them open) and trace its shots:
//  - no enemy walks through, or fires through, a cell drawn as solid that is
//    not (a scenery block, the lower half of a generator), named by what is
//    drawn there;
//  - no bomb or vertical snake shot can fall or rise forever: a shot that
//    never meets a solid cell flies on for good, and once every enemy shot is
//    out there no enemy fires any more;
//  - no pickup or marker cuts a hole into a band of backdrop (cave wall,
//    girder): its cell cannot show the backdrop too, so it shows black.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mapcheck/findings.h"

struct RuleCell {
    int tile = 0;                // picture slot drawn for the cell, 0 for none
    int block = 0;               // 0 passable, 1 solid, negative breakable
    bool marker = false;         // player start or enemy marker
    std::string_view enemy;      // "walker", "flyer", "turret", "swan", "snake" or empty;
                                 // empty too for a marker the game drops
};

struct RuleGrid {
    int width = 0;
    int height = 0;
    std::vector<RuleCell> cells;  // row by row from the top, width * height
};

// Adds one error per kind and enemy (or cell) to `findings`, in map order;
// none for a fair map.
void checkPlayRules(const RuleGrid& grid, Findings& findings);
