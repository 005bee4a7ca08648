// What brastor-headless and brastor-playtest share: reading their command
// lines the same way, and telling the game's events in the same words, so
// that a replay's output can be set beside a playtest's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "headless/script.h"
#include "shell/game.h"

constexpr int exitBadUse = 2;
constexpr std::int64_t seedLimit = std::int64_t{1} << 53;  // exact as a real

// A program's name and synopsis, for its usage errors.
struct Usage {
    const char* program;
    const char* synopsis;

    // Writes "PROGRAM: message" and the synopsis to stderr; returns exitBadUse.
    int error(const std::string& message) const;
    // The error for a bad option value: "bad value 'V' for NAME (EXPECTED)".
    int badValue(std::string_view name, std::string_view value, const char* expected) const;
    int unknownOption(std::string_view name) const;
    int missingValue(std::string_view name) const;
};

bool isHelpOption(std::string_view name);
// The values of --seed and --mission 1|2; 0 or the exit status to leave with.
int readSeed(const Usage& usage, std::string_view value, std::int64_t& seed);
int readMission(const Usage& usage, std::string_view value, int& mission);

// Reads and checks the script named by `option` into `script`, its text into
// `text`; 0, or exitBadUse after saying what is wrong on stderr.
int loadScript(const Usage& usage, const char* option, const std::string& file, std::string& text,
               Script& script);

// The output line of a game event at `tick` (without the newline); false for
// frameEnd, which has no line.
bool formatGameEvent(GameEvent event, std::int64_t tick, char* line, std::size_t size);
// The play frame's row as --trace writes it: frame mission viewX viewY power
// diamonds score missionResult objectiveMet.
void formatFrameRow(char* row, std::size_t size);
