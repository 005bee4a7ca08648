// Route finding for brastor-mapcheck: which targets of a mission the player
// can get to from the start marker, found by running the game's own movement
// code over every player state reachable frame by frame, and for each target
// out of reach the reason the search can see.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "mapcheck/findings.h"

struct RouteOptions {
    int mission = 0;        // 1 generators, 2 hostages, 0 no objective
    bool strict = false;    // an unreachable pickup or key is an error, not a warning
    std::string scriptDir;  // when not empty: one brastor-headless script per reached target
    std::string level;      // the level those scripts name for their replay
    bool exitBlocked = false;  // the start column is closed above the start, told already
    bool keepTrails = false;  // keep each route's positions (for the picture)
    int maxFrames = 0;        // when above 0: no route is searched past this many frames
    long long maxStates = 0;  // player states searched before the search gives up (0: the default budget)
    int enemySeeds = 100;     // seeds on which every proof is replayed with the enemies (0: none)
};

struct RouteResult {
    bool searched = false;
    int width = 0, height = 0;            // the map area as the game loaded it
    std::vector<std::uint8_t> reached;    // [y * width + x]: 1 where the player's body has been
    // Per reached target: the player's centre (world pixels) frame by frame.
    std::vector<std::vector<std::pair<int, int>>> trails;
    std::vector<std::string> trailNames;  // per trail: its target as the report names it
    std::vector<std::pair<int, int>> provenOut;  // cells of every target proven out of reach
    bool exitProvenOut = false;           // the exit beam is proven out of reach
};

// Loads the map picture `bmp` (a BMP file's bytes) with the game's loader and
// adds to `findings` a heading and one line per objective, key, pickup and
// the exit beam: "reached" with the frames of its route; "unreachable" with
// its reason only where that is proven (no way through the walls even with
// every door and breakable cell open, or a map that never changes searched
// whole); else "inconclusive" with what the search saw. Objectives and the
// exit out of reach are errors, pickups and keys warnings (errors when
// strict); an inconclusive one that would be an error is unresolved instead.
RouteResult checkRoutes(const std::vector<std::uint8_t>& bmp, const RouteOptions& options, Findings& findings);
// The same on the map picture `file`, its lines printed to `out`.
RouteResult checkRoutes(const std::string& file, const RouteOptions& options, std::ostream& out);

// Loads the map picture `bmp` (a BMP file's bytes; a file path for the
// second) as the route search plays it: the mission's start, its enemies
// left out, the view at the start marker.
void loadRouteMap(const std::vector<std::uint8_t>& bmp, int mission);
void loadRouteMap(const std::string& file, int mission);
