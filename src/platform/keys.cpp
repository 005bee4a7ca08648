// Key state and the typed-key queue, written by the backend's thread and read by the game's.
#include "platform/backend.h"
#include "platform/platform.h"

// TODO(keys): stub bodies, to be replaced.
bool keyHeld(std::int32_t) { return false; }
std::string readTypedKey() { return {}; }
void keyDown(int) {}
void keyUp(int) {}
void clearKeys() {}
void pushTypedKey(int) {}
void clearTypedKeys() {}
static bool quitFlag = false;
void requestQuit() { quitFlag = true; }
void resetQuit() { quitFlag = false; }
bool quitRequested() { return quitFlag; }
