// The desktop program: no options, no configuration.
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "shell/game.h"

int main(int argc, char** argv) {
    constexpr const char* usage =
        "usage: brastor   (no options; keys: arrows walk, jump and crouch, Z fire, X streamer, "
        "Space start, Escape give up or quit)\n";
    if (argc > 1) {
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        std::fprintf(stderr, "brastor: unknown option '%s'\n%s", argv[1], usage);
        return 2;
    }
    return runOnPlatform([] { return runGame(-1); });
}
