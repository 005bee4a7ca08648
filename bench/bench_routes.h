// The level of the route check's benchmark row.
#pragma once

#include <string>

// Writes, once per process, a full 201 x 201 mission 1 map picture whose every
// floor is reachable (floors three rows apart with gaps to drop and jump
// through, a wall of doors with its key, breakable walls, diamonds and four
// generators) and returns its path; the file goes when the process ends.
const std::string& routeLevelPath();

// Writes, once per process, the slowest 40 x 20 map that the route search's
// fuzzing and its variants turned up (mission 2: 134 diamonds, both keys and
// doors, hazards, one hostage) and returns its path; the file goes at exit.
const std::string& hostileRouteLevelPath();

// Writes, once per process, a 201 x 201 mission 1 map picture of the same
// floors with 60 generators and 400 diamonds and returns its path; the file
// goes at exit.
const std::string& generatorRouteLevelPath();
