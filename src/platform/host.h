// Control for programs that stand between the player and the game (the level
// tester, which records what the player does or plays back a recording): a
// hook at every sleep of the game on any backend, input held back from the
// game so that the host decides what reaches it and at which tick, and a map
// made in memory served as a file.
#pragma once

#include <string>

// Called on the game's thread at every sleepMs (one tick), before the sleep;
// the sleep is skipped when it returns false. nullptr: sleeps as usual.
using SleepHook = bool (*)(void* user);
void setSleepHook(SleepHook hook, void* user);

// While on, the backend's keys and typed characters land in a side state that
// only the host reads; the game sees nothing but what the host feeds it.
void holdBackInput(bool on);
bool heldBackKey(int scanCode);
int readHeldBackTypedCode();  // -1 when nothing waits
void feedKeyDown(int scanCode);
void feedKeyUp(int scanCode);
void feedTypedKey(int code);

// Opening `name` exactly (as the game names it) reads `bytes`, until replaced;
// an empty name serves nothing.
void serveFileFromMemory(const std::string& name, std::string bytes);
