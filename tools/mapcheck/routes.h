// Route finding for brastor-mapcheck --routes: which targets of a mission the
// player can get to from the start marker, found by running the game's own
// movement code over every player state reachable frame by frame.
#pragma once

#include <iosfwd>
#include <string>

struct RouteOptions {
    int mission = 0;       // 1 generators, 2 hostages, 0 no objective
    bool strict = false;   // an unreachable pickup or key is an error, not a warning
    std::string scriptDir; // when not empty: one brastor-headless script per reached target
    int maxFrames = 0;     // when above 0: no route is searched past this many frames
};

struct RouteResult {
    int errors = 0;
    int warnings = 0;
};

// Loads the map picture `file` with the game's loader and prints one line per
// objective, key, pickup and the exit beam: "reached" with the frames of its
// route, or "unreachable". Objectives and the exit out of reach are errors,
// pickups and keys warnings (errors when strict).
RouteResult checkRoutes(const std::string& file, const RouteOptions& options, std::ostream& out);
