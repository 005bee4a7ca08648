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

// ---------------------------------------------------------------- running the real game
// Tests that run the game's own code over a committed data folder below
// tests/data/ and drive its waiting screens through the headless platform.

#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "shell/game.h"

// Resets the headless platform and the key queue around each test, points the
// data folder at tests/data/<folder> on request, and keeps the picture slots
// between tests (the game creates its images once per program; the next
// createPictures refills them).
class GameDataTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void useData(const char* folder);

private:
    std::string savedFolder_;
};

// Watches the game's events and sleeps. Each title screen and text box is
// reported once, at its first poll (already drawn and presented), with its
// lines recorded in `screens`; each play frame at its sleep. The callbacks act
// by typing keys (pushTypedKey, keyDown) or changing game state. Past
// `tickLimit` sleeps the driver asks the platform to quit and fails the test,
// so a screen nobody dismisses cannot hang the run.
struct ScreenDriver {
    std::function<void(ScreenDriver&)> onScreen;
    std::function<void(ScreenDriver&)> onFrame;
    std::function<void(ScreenDriver&, GameEvent)> onEvent;
    std::vector<std::vector<std::string>> screens;
    int frames = 0;
    std::int64_t tickLimit = 50000;

    void install();
    void uninstall();
    const std::vector<std::string>& lastScreen() const { return screens.back(); }

    bool screenPending = false;
    bool frameSleepNext = false;
    std::int64_t ticks = 0;
};

// Types a space into the queue, as the screens want to continue.
void typeSpace();
// The lines of textLines that are not empty, as "index:text".
std::vector<std::string> shownLines(const std::vector<std::string>& lines);
