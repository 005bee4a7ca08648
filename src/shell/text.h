// The 21 text lines, mission texts, the title screen and the framed text box.
#pragma once

#include <string>

constexpr int textLineCount = 21;
extern std::string textLines[textLineCount];

void clearTextLines();
// The current mission's text file; a level under test reads its own folder's
// and, where that lacks the file, a short generic text naming the objective.
void loadMissionText(const char* fileName);
// Returns false when the program should end (Escape held, or the platform quits).
bool showTitleScreen();
// Returns false only when the platform quits or, when `escapeEnds`, while Escape is held.
bool showTextBox(bool escapeEnds = false);
void darkenBox(int left, int top, int width, int height);
