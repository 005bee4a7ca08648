// The head-up display and the timed message line.
#pragma once

void darkenHudStrip();
void drawHud();
// Upper-cases `text` in place and draws it centred at row y with a shadow.
void drawMessage(char* text, int y);
