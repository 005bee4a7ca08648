// Shared by the unit tests: a clean game, a private folder, maps drawn in text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

// Every table and value at its start-up state, the screen mode set.
void freshGame();
// An empty folder for the running test, below one folder made for this process
// under a new random name and removed when the process ends.
std::string testTempFolder();
inline std::uint32_t pixelAt(int x, int y) { return framePixels()[y * screenWidth + x]; }

// Writes <folder>/level<N>/map.bmp, a 24-bit map picture of `rows` (the top
// row first), one character a cell:
//  '.' empty  '#' block  'g' grass  'b' breakable  'B' barrier  'G' generator 1
//  'd' diamond  'c' crystal  'k' key A  'K' key B  'l' door A  'L' door B
//  'h' hostage  'w' flow hazard  's' spikes  'o' scenery  'P' player start
//  'W' walker  'F' flyer  'T' turret  'S' snake  'N' swan  'p' plant
void writeMission(const std::string& folder, int missionNumber, const std::vector<std::string>& rows);
// The letters above and their colours (0xRRGGBB), kept apart from the game's
// own table on purpose.
const std::map<char, std::uint32_t>& testMapLegend();
