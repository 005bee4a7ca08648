// Golden-image checks: the current frame buffer against a committed reference
// picture, tests/golden/<name>.bmp (24-bit BMP, RGB only; alpha is ignored).
//
// With BRASTOR_UPDATE_GOLDEN=1 in the environment the reference is (re)written
// from the frame instead of compared, and the check passes. On a mismatch the
// test fails with the number of differing pixels and the first few positions
// with both colours, and the actual frame is written to
// <build>/golden-actual/<name>.bmp for inspection.
#pragma once

#include <source_location>
#include <string>

// Adds a non-fatal test failure at the caller's line when the frame differs.
void expectFrameMatchesGolden(const char* name,
                              std::source_location where = std::source_location::current());

// The reference file's path, for tools and messages.
std::string goldenPath(const char* name);
