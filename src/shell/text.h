// The 21 text lines, mission texts, the title screen and the framed text box.
#pragma once

#include <string>

constexpr int textLineCount = 21;
extern std::string textLines[textLineCount];

void clearTextLines();
void loadMissionText(const char* fileName);
// Returns false when the program should end (Escape held, or the platform quits).
bool showTitleScreen();
// Returns false only when the platform quits.
bool showTextBox();
void darkenBox(int left, int top, int width, int height);
