// brastor-headless: the real game on the headless platform, driven by a script.
#include "shell/game.h"

int main() { return runGame(1); }
