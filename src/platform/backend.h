// The contract between the platform's shared code (pixels, pictures, files,
// random numbers, key state) and the one backend linked into a program
// (sdl/, headless/, web/). Only src/platform/ includes this.
#pragma once

#include <cstdint>

// ---- implemented by each backend
int backendOpen(int width, int height);   // open the window; 0 on success
void backendAcquireScreen();              // lock count went 0 -> 1
void backendReleaseScreen();              // lock count went 1 -> 0: show the frame
void backendPresent();                    // show what is drawn now (no lock held)
double backendClockSeconds();
void backendSleepMs(int milliseconds);

// ---- offered by the shared code to the backends (any thread)
void keyDown(int scanCode);               // the keyboard's: 0..127; others ignored
void keyUp(int scanCode);
void padKeyDown(int scanCode, int pad);   // pad 0..keySourcePads-1 holds or lets go
void padKeyUp(int scanCode, int pad);
void clearKeys();                         // focus gained or lost: the keyboard's keys only
void pushTypedKey(int code);              // < 256 a character, >= 256 a special key (256 + key byte)
void pushTypedText(const char* utf8);     // each character of the text that code page 437 holds
int typedCodeOfCharacter(const char* utf8);  // code page 437 code of a one-character text, else -1
int cp437Code(char32_t character);        // -1 for characters code page 437 lacks and controls
void clearTypedKeys();
void requestQuit();
void resetQuit();
bool waitingForSpace();                   // as the game last said (setWaitingForSpace)
int screenLockCount();
