// The program's loops and the events a host can watch.
#pragma once

#include "play/player.h"
#include "shell/mission_source.h"
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
// The game loop; returns when the program should end (exit code 0). With a
// mission source it is the level test's loop: briefing, play, result, again,
// until Escape is held on a briefing.
int gameLoop();
// The missions from the current one to a failure or the last; returns
// missionResult, 0 when the platform quit.
int missionLoop();
// One mission from its resets to its end (and its "complete.txt" box); returns
// missionResult, 0 when the platform quit or `escapeQuits` and Escape was held
// on the briefing.
int playMission(bool escapeQuits);
// What every mission starts from before its map is loaded: no keys, full
// power, no diamonds, no objective, an empty enemy table.
void resetMissionState();
// Mission start: resets, map, pictures, scene (everything before the briefing box).
void startMission();
// After the briefing: missionResult 0, offsets 0, streamer drain, solid list.
void beginPlay();
// A frame's input: the player's keys, Escape held, and "h" typed (one typed
// key is taken from the queue each frame).
struct FrameInput {
    PlayerInput player;
    bool giveUp;
    bool screenshot;
};
// The keyboard's state now, and the next typed key.
FrameInput sampleFrameInput();

// Whether a frame is shown. Without drawing nothing is drawn or shown (no
// screenshot, no text box over a met objective), but every state change and
// every random draw is the same, so a tool can run the game's own frame.
enum class Drawing { on, off };
// One frame of play without its sleep. Returns missionResult.
int playFrame(const FrameInput& input, Drawing drawing);
// start-up then the game loop; the programs' entry.
int runGame(double seed);
