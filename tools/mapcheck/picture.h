// The proof as a picture: brastor-mapcheck --picture.
#pragma once

#include <string>

#include "mapcheck/routes.h"
#include "mapcheck/structure.h"

// Writes the whole level as a PNG, drawn with the game's own tile pictures
// (from the baked data beside the program) at 32 pixels a cell, fewer when
// the map is large: the cells the player never reached darkened, each route
// as a line, each finding circled and numbered. False, with the problem in
// words, when it cannot.
bool writePicture(const std::string& file, const MapStructure& structure, const RouteResult& routes,
                  const Findings& findings, std::string& problem);
