// brastor-headless: the real game on the headless platform, driven by a script
// of keys counted in ticks (one tick = one sleep of the game), writing one line
// per game event to standard output and, on request, one line per play frame
// to a trace file.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "headless/alloc_count.h"
#include "headless/script.h"
#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "play/player.h"
#include "shell/game.h"
#include "world/world.h"

namespace {

constexpr int exitStepFailed = 1;
constexpr int exitBadUse = 2;
constexpr std::int64_t defaultMaxTicks = 10'000'000;
constexpr std::int64_t seedLimit = std::int64_t{1} << 53;  // exact as a real

struct Options {
    std::string dataFolder;
    bool dataGiven = false;
    std::int64_t seed = 1;
    std::string scriptFile;
    std::string traceFile;
    std::int64_t maxTicks = defaultMaxTicks;
    bool countAllocations = false;
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
    "[--max-ticks N] [--count-allocations]\n";

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
    "  -h, --help           print this help and exit\n"
    "exit status: 0 the game ended, the script quit or the tick limit was reached;\n"
    "1 a script command failed during the run; 2 a bad option or script\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "brastor-headless: %s\n%s", message.c_str(), synopsis);
    return exitBadUse;
}

bool parseNumber(std::string_view text, std::int64_t limit, std::int64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > limit) return false;
    }
    value = v;
    return true;
}

// Fills `options` from the command line; returns 0 or the exit status to leave with.
int readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            return 0;
        }
        if (name == "--count-allocations") {
            options.countAllocations = true;
            continue;
        }
        const bool known = name == "--data" || name == "--seed" || name == "--script" ||
                           name == "--trace" || name == "--max-ticks";
        if (!known) return usageError("unknown option '" + std::string(name) + "'");
        if (i + 1 >= argc) return usageError("option '" + std::string(name) + "' needs a value");
        const std::string_view value = argv[++i];
        if (name == "--data") {
            options.dataFolder = value;
            options.dataGiven = true;
        } else if (name == "--seed") {
            if (!parseNumber(value, seedLimit, options.seed))
                return usageError("bad value '" + std::string(value) +
                                  "' for --seed (a whole number from 0)");
        } else if (name == "--max-ticks") {
            if (!parseNumber(value, INT64_MAX, options.maxTicks))
                return usageError("bad value '" + std::string(value) +
                                  "' for --max-ticks (a whole number from 0)");
        } else if (name == "--script") {
            options.scriptFile = value;
        } else {
            options.traceFile = value;
        }
        if (value.empty()) return usageError("option '" + std::string(name) + "' needs a value");
    }
    return 0;
}

void printPrefix(const char* event) {
    std::printf("tick=%lld frame=%lld event=%s", static_cast<long long>(headlessTicks()),
                static_cast<long long>(game.frameCount), event);
}

const char* resultName(int result) {
    return result == missionCompleted ? "completed" : result == missionFailed ? "failed" : "running";
}

// Writes the line (or the trace row) of one game event.
void onGameEvent(GameEvent event, void*) {
    allocationCountingEvent(event);
    switch (event) {
        case GameEvent::titleShown:
            printPrefix("title");
            break;
        case GameEvent::missionStart:
            printPrefix("mission-start");
            std::printf(" mission=%d", game.missionNumber);
            break;
        case GameEvent::objectiveMet:
            printPrefix("objective");
            std::printf(" mission=%d", game.missionNumber);
            break;
        case GameEvent::missionEnd:
            printPrefix("mission-end");
            std::printf(" mission=%d result=%s score=%d", game.missionNumber,
                        resultName(game.missionResult), game.score);
            break;
        case GameEvent::finalScreen:
            // The high score is updated only when the final screen is left.
            printPrefix("final");
            std::printf(" score=%d high=%d new-high=%d", game.score, game.highScore,
                        game.score > game.highScore ? 1 : 0);
            break;
        case GameEvent::screenshot:
            printPrefix("screenshot");
            break;
        case GameEvent::programEnd:
            printPrefix("end");
            break;
        case GameEvent::frameEnd:
            if (run.trace)
                std::fprintf(run.trace, "%lld %d %d %d %d %d %d %d %d %lld\n",
                             static_cast<long long>(game.frameCount), game.missionNumber, viewX,
                             viewY, player.power, player.diamonds, game.score,
                             game.missionResult, game.objectiveMet,
                             static_cast<long long>(std::llround(clockSeconds() * 1000)));
            return;
    }
    std::putchar('\n');
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

bool readWholeFile(const std::string& name, std::string& text) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

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
    if (!std::filesystem::is_directory(options.dataFolder, error))
        return usageError("--data: no folder '" + options.dataFolder + "'");

    if (!options.scriptFile.empty()) {
        std::string text;
        if (!readWholeFile(options.scriptFile, text))
            return usageError("--script: cannot read '" + options.scriptFile + "'");
        run.scriptName = options.scriptFile;
        ScriptError scriptError;
        if (!parseScript(text, run.script, scriptError)) {
            std::fprintf(stderr, "%s:%d: %s\n", options.scriptFile.c_str(), scriptError.line,
                         scriptError.message.c_str());
            return exitBadUse;
        }
    }

    if (!options.traceFile.empty()) {
        run.trace = std::fopen(options.traceFile.c_str(), "wb");
        if (!run.trace)
            return usageError("--trace: cannot write '" + options.traceFile +
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
    std::fflush(stdout);
    if (run.trace) std::fclose(run.trace);
    return run.status != 0 ? run.status : status;
}
