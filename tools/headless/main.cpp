// brastor-headless: the real game on the headless platform, driven by a script
// of keys counted in ticks (one tick = one sleep of the game), writing one line
// per game event to standard output and, on request, one line per play frame
// to a trace file.
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "headless/alloc_count.h"
#include "headless/cli.h"
#include "headless/script.h"
#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "platform/utf8_path.h"
#include "play/player.h"
#include "playtest/level.h"
#include "shell/game.h"
#include "world/world.h"

namespace {

constexpr int exitStepFailed = 1;
constexpr std::int64_t defaultMaxTicks = 10'000'000;

struct Options {
    std::string dataFolder;
    bool dataGiven = false;
    std::int64_t seed = 1;
    std::string scriptFile;
    std::string traceFile;
    std::int64_t maxTicks = defaultMaxTicks;
    bool countAllocations = false;
    std::string level;
    int mission = 0;
    bool help = false;
};

// What the tick hook and the event hook share during a run.
struct Run {
    Script script;
    std::string scriptName;        // for naming a failed command's line
    int status = 0;                // exitStepFailed once a command has failed
    std::size_t next = 0;          // next command to run
    std::int64_t resumeTick = 1;   // tick at which `next` runs
    std::int64_t maxTicks = defaultMaxTicks;
    std::FILE* trace = nullptr;
    double seed = 1;
};

Run run;
char traceBuffer[1 << 16];
char outputBuffer[1 << 16];

constexpr const char* synopsis =
    "usage: brastor-headless [--data DIR] [--seed N] [--script FILE] [--trace FILE] "
    "[--max-ticks N] [--count-allocations] [--level LEVEL [--mission 1|2]]\n";

// The options as the README's table gives them, for --help.
constexpr const char* optionList =
    "  --data DIR           folder holding gfx/, level1/, level2/ (default: the program's\n"
    "                       folder, or the installed share/brastor)\n"
    "  --seed N             random seed, a whole number (default 1)\n"
    "  --script FILE        input script (default: none, no keys)\n"
    "  --trace FILE         one line per play frame under a header: frame mission viewX\n"
    "                       viewY power diamonds score missionResult objectiveMet clockMs\n"
    "  --max-ticks N        stop after N ticks (default 10000000)\n"
    "  --count-allocations  count heap allocations during play frames; print them at the end\n"
    "  --level LEVEL        play LEVEL as brastor-playtest does (from its briefing, again\n"
    "                       after each end): a mission folder, a map picture or a .map source\n"
    "  --mission 1|2        with --level: its rules (default: 2 for a map with hostages and\n"
    "                       no generator, else 1)\n"
    "  -h, --help           print this help and exit\n"
    "exit status: 0 the game ended, the script quit or the tick limit was reached;\n"
    "1 a script command failed during the run; 2 a bad option or script\n";

constexpr Usage usage{"brastor-headless", synopsis};

// Fills `options` from the command line; returns 0 or the exit status to leave with.
int readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (isHelpOption(name)) {
            options.help = true;
            return 0;
        }
        if (name == "--count-allocations") {
            options.countAllocations = true;
            continue;
        }
        const bool known = name == "--data" || name == "--seed" || name == "--script" ||
                           name == "--trace" || name == "--max-ticks" || name == "--level" ||
                           name == "--mission";
        if (!known) return usage.unknownOption(name);
        if (i + 1 >= argc) return usage.missingValue(name);
        const std::string_view value = argv[++i];
        if (name == "--data") {
            options.dataFolder = value;
            options.dataGiven = true;
        } else if (name == "--seed") {
            if (const int status = readSeed(usage, value, options.seed)) return status;
        } else if (name == "--max-ticks") {
            if (!parseDecimal(value, INT64_MAX, options.maxTicks))
                return usage.badValue(name, value, "a whole number from 0");
        } else if (name == "--script") {
            options.scriptFile = value;
        } else if (name == "--level") {
            options.level = value;
        } else if (name == "--mission") {
            if (const int status = readMission(usage, value, options.mission)) return status;
        } else {
            options.traceFile = value;
        }
        if (value.empty()) return usage.missingValue(name);
    }
    if (options.mission != 0 && options.level.empty()) return usage.error("--mission needs --level");
    return 0;
}

// Writes the line (or the trace row) of one game event.
void onGameEvent(GameEvent event, void*) {
    allocationCountingEvent(event);
    char line[160];
    if (formatGameEvent(event, headlessTicks(), line, sizeof line)) {
        std::printf("%s\n", line);
    } else if (event == GameEvent::frameEnd && run.trace) {
        formatFrameRow(line, sizeof line);
        // The clock is the virtual one that each sleep advances, so a play
        // frame's 15 ms shows here.
        std::fprintf(run.trace, "%s %lld\n", line, static_cast<long long>(std::llround(clockSeconds() * 1000)));
    }
}

// Runs the script's commands due at this tick, then enforces the tick limit.
void onTick(void*) {
    if (quitRequested()) return;
    const std::int64_t tick = headlessTicks();
    while (run.next < run.script.commands.size() && tick >= run.resumeTick) {
        const ScriptCommand& command = run.script.commands[run.next++];
        switch (command.op) {
            case ScriptOp::wait: run.resumeTick = tick + command.value; break;
            case ScriptOp::hold: keyDown(static_cast<int>(command.value)); break;
            case ScriptOp::release: keyUp(static_cast<int>(command.value)); break;
            case ScriptOp::type: pushTypedKey(static_cast<int>(command.value)); break;
            case ScriptOp::capture:
                errno = 0;
                if (saveScreen(command.file.c_str()) != statusOk) {
                    // A run that misses a picture must not pass: stop here.
                    std::fprintf(stderr, "%s:%d: cannot write '%s'%s%s\n",
                                 run.scriptName.c_str(), command.line, command.file.c_str(),
                                 errno ? ": " : "", errno ? std::strerror(errno) : "");
                    run.status = exitStepFailed;
                    requestQuit();
                    return;
                }
                break;
            case ScriptOp::quit: requestQuit(); return;
        }
    }
    if (tick >= run.maxTicks) requestQuit();
}

int gameEntry() { return runGame(run.seed); }

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (int status = readOptions(argc, argv, options)) return status;
    if (options.help) {
        std::printf("%s%s", synopsis, optionList);
        return 0;
    }

    // The program's own folder, or the installed data beside it.
    if (!options.dataGiven) options.dataFolder = findInstalledDataFolder();
    std::error_code error;
    if (!std::filesystem::is_directory(pathOfUtf8(options.dataFolder), error))
        return usage.error("--data: no folder '" + options.dataFolder + "'");

    static MissionSource source;
    if (!options.level.empty()) {
        std::string why;
        if (!chooseLevel(options.level, options.mission, source, why)) return usage.error("--level: " + why);
        setMissionSource(&source);
    }

    if (!options.scriptFile.empty()) {
        std::string text;
        if (const int status = loadScript(usage, "--script", options.scriptFile, text, run.script)) return status;
        run.scriptName = options.scriptFile;
    }

    if (!options.traceFile.empty()) {
        run.trace = std::fopen(options.traceFile.c_str(), "wb");
        if (!run.trace)
            return usage.error("--trace: cannot write '" + options.traceFile +
                              "': " + std::strerror(errno));
        std::setvbuf(run.trace, traceBuffer, _IOFBF, sizeof traceBuffer);
        std::fputs("frame mission viewX viewY power diamonds score missionResult objectiveMet clockMs\n",
                   run.trace);
    }
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    run.seed = static_cast<double>(options.seed);
    run.maxTicks = options.maxTicks;
    static std::string dataFolder = options.dataFolder;
    setDataFolder(dataFolder.c_str());

    headlessReset();
    headlessSetTickHook(onTick, nullptr);
    setGameEventHook(onGameEvent, nullptr);
    if (run.maxTicks == 0) requestQuit();

    if (options.countAllocations) allocationCountingStart();
    const int status = runOnPlatform(gameEntry);
    if (options.countAllocations) {
        const AllocationCounts c = allocationCounts();
        std::printf("allocations play=%lld frames=%lld first-frame=%lld screens=%lld\n",
                    static_cast<long long>(c.playAllocations), static_cast<long long>(c.framesWatched),
                    static_cast<long long>(c.firstFrame), static_cast<long long>(c.screenAllocations));
    }

    setGameEventHook(nullptr, nullptr);
    headlessSetTickHook(nullptr, nullptr);
    setMissionSource(nullptr);
    std::fflush(stdout);
    if (run.trace) std::fclose(run.trace);
    return run.status != 0 ? run.status : status;
}
