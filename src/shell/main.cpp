// The desktop program: no command line, no configuration.
#include "shell/game.h"

int main() { return runGame(-1); }
