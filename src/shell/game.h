// Game-wide state, the program's loops and the events a host can watch.
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
    std::int32_t keysHeld[5];
    std::int64_t frameCount;  // play frames since start-up
};

extern GameState game;

constexpr int missionCount = 2;
constexpr int missionFailed = 1;
constexpr int missionCompleted = 2;

// Events for hosts that watch the game (the headless runner's log and trace).
enum class GameEvent {
    titleShown,
    missionStart,
    objectiveMet,
    missionEnd,
    finalScreen,
    screenshot,
    frameEnd,  // after every play frame, before its sleep
    programEnd,
};
using GameEventHook = void (*)(GameEvent event, void* user);
void setGameEventHook(GameEventHook hook, void* user);
void emitGameEvent(GameEvent event);

// Start-up: seed, tables, screen mode, state, pictures. `seed` < 0 seeds from the clock.
void startUp(double seed);
// Sets the game-wide state and every table to its start-up value.
void resetGameState();
// The game loop; returns when the program should end (exit code 0).
int gameLoop();
// One mission from its resets to its end; returns missionResult.
int missionLoop();
// Mission start: resets, map, pictures, scene (everything before the briefing box).
void startMission();
// After the briefing: missionResult 0, offsets 0, streamer drain, solid list.
void beginPlay();
// One frame of play without its sleep. Returns missionResult.
int playFrame();
// start-up then the game loop; the programs' entry.
int runGame(double seed);
