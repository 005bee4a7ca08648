// The game-wide record: mission, score, objective, message and keys held,
// read by the scene, the play code and the shell alike.
#pragma once

#include <cstdint>

struct GameState {
    std::int32_t missionNumber;
    char levelFolder[16];  // "level" + missionNumber + "\"
    std::int32_t score;
    std::int32_t highScore;
    std::int32_t missionResult;  // 0 running, 1 failed, 2 completed
    std::int32_t objectiveMet;
    char messageText[64];
    std::int32_t messageFrames;
    std::int32_t doorKeys[5];  // door keys held: 0 key A, 1 key B (not keyboard keys)
    std::int64_t frameCount;  // play frames since start-up
};

extern GameState game;

constexpr int missionCount = 2;
constexpr int missionFailed = 1;
constexpr int missionCompleted = 2;
