// The head-up display and the timed message line.
#pragma once

#include <string_view>

void darkenHudStrip();
void drawHud();
// Draws `text` centred at row y with a shadow.
void drawMessage(std::string_view text, int y);
