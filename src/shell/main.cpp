// The desktop program: no command line, no configuration.
#include "platform/platform.h"
#include "shell/game.h"

int main() {
    return runOnPlatform([] { return runGame(-1); });
}
