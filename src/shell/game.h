// The program's loops and the events a host can watch.
#pragma once

#include "world/game_state.h"

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
// What every mission starts from before its map is loaded: no keys, full
// power, no diamonds, no objective, an empty enemy table.
void resetMissionState();
// Mission start: resets, map, pictures, scene (everything before the briefing box).
void startMission();
// After the briefing: missionResult 0, offsets 0, streamer drain, solid list.
void beginPlay();
// One frame of play without its sleep. Returns missionResult.
int playFrame();
// start-up then the game loop; the programs' entry.
int runGame(double seed);
