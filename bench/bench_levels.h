// The benchmark's levels and the state every measured frame starts from.
#pragma once

// Start-up for the benchmarks: headless screen, data folder of the build,
// pictures of mission 1 (once per process).
void prepareGame();
// The busy level: a full screen of every tile kind with overlays, 61 enemies on
// the screen, every shot and spark entry in flight, the streamer at full
// length, the head-up display with keys, and a message.
void buildBusyLevel();
// A size x size level whose every cell is a solid block, the view in its middle,
// every shot and spark entry in flight.
void buildSolidLevel(int size);
// Puts back the state saved by the latest build (enemies, shots, sparks, the
// player, the message), so every measured frame is the same frame.
void restoreFrameState();
// Start-up as the game does it: every picture created and loaded, and a map.
void loadStartUpData();
