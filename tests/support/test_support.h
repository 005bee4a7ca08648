// Shared helpers for the unit tests: a clean game, small maps, frame pixels.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// Every table and value at its start-up state, the screen mode set, no pictures.
void freshGame();
// A temporary folder unique to the running test; removed by nobody (tests are small).
std::string testTempFolder();
inline std::uint32_t pixelAt(int x, int y) { return framePixels()[y * screenWidth + x]; }
