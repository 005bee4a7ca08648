// brastor-mapcheck's passes in their order, as one call: the command line and
// the level studio's checker both run a map through it and print its report,
// so they tell the same findings under the same numbers.
#pragma once

#include <iosfwd>
#include <string>

#include "mapcheck/findings.h"
#include "mapcheck/routes.h"
#include "mapcheck/structure.h"

struct CheckOptions {
    int mission = 0;        // 1 or 2; 0: the one the map's contents ask for
    bool routes = true;     // false: the quick check alone, without the route search
    std::string shownName;  // the name a source's faults are told under; empty: the file's path
    RouteOptions search;    // the route search's options; its mission and exitBlocked come from the map
};

struct MapCheck {
    bool readable = false;  // false: no map the game reads; nothing past the first fault was checked
    MapStructure map;
    RouteResult routes;
    Findings findings;      // every pass's, in the order they are told
};

// Checks the map picture (map.bmp) or text source (".map", read as
// brastor-bake reads it) `file`, read once: a source's faults, the structure,
// the play rules, then, when asked and the map has a start, the route search.
MapCheck checkMap(const std::string& file, const CheckOptions& options);

// The report: every told finding, then (for a map the game reads) the summary line.
void printReport(const MapCheck& check, std::ostream& out);

// 0 good map (warnings allowed), 1 faults found, 3 no fault proven but an
// objective or the exit unresolved.
int exitStatus(const MapCheck& check);
