// Shared by the unit tests: a clean game, a private folder, maps drawn in text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "world/pictures.h"

// A test that runs the game: what the game keeps beyond one test (the data
// folder, the mission source, the picture slots, held and typed keys, a quit
// request) is saved before it and put back after it, even when an assertion
// ended it early.
class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::string savedFolder_;
    Image* savedPictures_[pictureSlots] = {};
};

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
