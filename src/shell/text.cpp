#include "shell/text.h"

#include "platform/platform.h"

std::string textLines[textLineCount];

// TODO(shell): stub bodies, to be replaced.
void clearTextLines() { for (auto& l : textLines) l.clear(); }
void loadMissionText(const char*) { clearTextLines(); }
bool showTitleScreen() { return !quitRequested(); }
bool showTextBox() { return !quitRequested(); }
void darkenBox(int, int, int, int) {}
