// brastor-playtest: a level author's own level in the game's window, under the
// game's own rules, from its briefing and again after every end. It can
// record the player's keys, tick by tick, as a brastor-headless script that
// replays the run to the same end, or play such a script back for watching.
//
// Determinism: the window's input is held back from the game and handed to
// it only at the game's sleeps (ticks), which is where brastor-headless feeds
// a script's keys too; so a recording holds exactly what the game saw.
#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "headless/cli.h"
#include "headless/script.h"
#include "platform/backend.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "platform/utf8_path.h"
#include "play/player.h"
#include "playtest/level.h"
#include "shell/game.h"
#include "world/world.h"

namespace {

constexpr int exitBadLevel = 1;
constexpr int scanTab = 15;
constexpr int typedEscape = 27;
constexpr int fastTicksPerSleep = 8;  // Tab held: one real sleep every 8 ticks

constexpr const char* synopsis =
    "usage: brastor-playtest [--mission 1|2] [--seed N] [--record FILE.keys] [--replay FILE.keys] "
    "LEVEL\n";

constexpr const char* help =
    "Plays LEVEL in the game's window under the game's own rules: from its briefing,\n"
    "and again after each end (the result is shown first); Escape held on the\n"
    "briefing quits. LEVEL is a mission folder (map.bmp; its texts and pictures where\n"
    "it has them, the shipped ones otherwise), a map picture or a .map source.\n"
    "  --mission 1|2        the rules: 1 destroy the generators, 2 rescue the hostages\n"
    "                       (default: 2 for a map with hostages and no generator, else 1)\n"
    "  --seed N             random seed, a whole number (default: one chosen and recorded)\n"
    "  --record FILE.keys   write the keys played, tick by tick, as a brastor-headless\n"
    "                       script whose header names the seed and the level\n"
    "  --replay FILE.keys   play a script in the window for watching: Space pauses and\n"
    "                       resumes, '.' steps one frame while paused, Tab held runs fast,\n"
    "                       Escape leaves; nothing typed reaches the game\n"
    "  -h, --help           print this help and exit\n"
    "exit status: 0 when the window closes or Escape quits; 1 a bad level; 2 a bad option\n";

// Marks a script written by --record; its seed and mission are read back from it.
constexpr std::string_view recordingMark = "# brastor-playtest recording:";
// Marks a proof of brastor-mapcheck --emit-script: the level from its
// briefing with seed 1, as brastor-headless --level plays it; its mission is read back.
constexpr std::string_view proofMark = "# brastor-mapcheck proof:";

struct Options {
    int mission = 0;
    bool seedGiven = false;
    std::int64_t seed = 0;
    std::string recordFile;
    std::string replayFile;
    std::string level;
    bool help = false;
};

constexpr Usage usage{"brastor-playtest", synopsis};

int readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (isHelpOption(name)) {
            options.help = true;
            return 0;
        }
        if (name.size() > 1 && name[0] == '-') {
            const bool known = name == "--mission" || name == "--seed" || name == "--record" ||
                               name == "--replay";
            if (!known) return usage.unknownOption(name);
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return usage.missingValue(name);
            const std::string_view value = argv[++i];
            if (name == "--mission") {
                if (const int status = readMission(usage, value, options.mission)) return status;
            } else if (name == "--seed") {
                if (const int status = readSeed(usage, value, options.seed)) return status;
                options.seedGiven = true;
            } else if (name == "--record") {
                options.recordFile = value;
            } else {
                options.replayFile = value;
            }
            continue;
        }
        if (!options.level.empty()) return usage.error("more than one LEVEL: '" + std::string(name) + "'");
        options.level = name;
    }
    if (options.level.empty()) return usage.error("no LEVEL given");
    if (!options.recordFile.empty() && !options.replayFile.empty())
        return usage.error("--record and --replay cannot go together");
    return 0;
}

// ---------------------------------------------------------------- recording

std::int64_t ticks = 0;  // sleeps of the game so far

struct Recorder {
    std::FILE* file = nullptr;
    std::int64_t at = 1;  // the tick a command written now would run at
    char lastFrame[160] = "";  // the latest play frame as brastor-headless --trace writes it
    int score = 0, diamonds = 0, power = 4;
};
Recorder recorder;

// Brings the script's clock to the current tick.
void catchUp() {
    if (ticks > recorder.at) {
        std::fprintf(recorder.file, "wait %lld\n", static_cast<long long>(ticks - recorder.at));
        recorder.at = ticks;
    }
}

// Each line is written at once, so that whoever watches the file (a test) sees the run's progress.
void writeComment(const char* format, ...) __attribute__((format(printf, 1, 2)));
void writeComment(const char* format, ...) {
    catchUp();
    std::fputs("# ", recorder.file);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(recorder.file, format, arguments);
    va_end(arguments);
    std::fputc('\n', recorder.file);
    std::fflush(recorder.file);
}

void writeCommand(const std::string& command) {
    catchUp();
    std::fprintf(recorder.file, "%s\n", command.c_str());
    std::fflush(recorder.file);
}

// One line of the run's story: on standard output, and in the recording as a comment.
void tell(const char* format, ...) __attribute__((format(printf, 1, 2)));
void tell(const char* format, ...) {
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    std::printf("%s\n", line);
    std::fflush(stdout);
    if (recorder.file) writeComment("%s", line);
}

// The run's events in the words of brastor-headless's output, so that a replay
// can be set beside them; the recording also notes what a pickup or a hit changed.
void onGameEvent(GameEvent event, void*) {
    char line[160];
    if (formatGameEvent(event, ticks, line, sizeof line)) {
        tell("%s", line);
        if (event == GameEvent::programEnd && recorder.lastFrame[0] != '\0')
            tell("last frame: %s", recorder.lastFrame);
        return;
    }
    if (event != GameEvent::frameEnd) return;
    formatFrameRow(recorder.lastFrame, sizeof recorder.lastFrame);
    if (recorder.file && (game.score != recorder.score || player.diamonds != recorder.diamonds ||
                          player.power != recorder.power)) {
        recorder.score = game.score;
        recorder.diamonds = player.diamonds;
        recorder.power = player.power;
        writeComment("frame=%lld score=%d diamonds=%d power=%d", static_cast<long long>(game.frameCount),
                     game.score, player.diamonds, player.power);
    }
}

// The keys the game reads and the characters a script can type go to the
// game, each change written down; every other key is dropped.
void passInput(bool record) {
    for (int i = 0; i < scriptNamedKeyCount; ++i) {
        const int code = scriptNamedKey(i);
        const bool want = heldBackKey(code);
        if (want == keyHeld(code)) continue;
        want ? feedKeyDown(code) : feedKeyUp(code);
        if (record) writeCommand((want ? "hold " : "release ") + std::string(scriptKeyName(code)));
    }
    for (int code; (code = readHeldBackTypedCode()) >= 0;) {
        if (code < ' ' || code > '~' || quitRequested()) continue;
        feedTypedKey(code);
        if (record) writeCommand(code == ' ' ? "type space" : "type " + std::string(1, static_cast<char>(code)));
    }
}

bool recordTick(void*) {
    ticks += 1;
    passInput(recorder.file != nullptr);
    return true;
}

// ---------------------------------------------------------------- replaying

struct Replay {
    Script script;
    std::size_t next = 0;
    std::int64_t resumeTick = 1;
    bool paused = false;
    int steps = 0;  // ticks to run while paused
};
Replay replay;

// Space, '.' and Escape typed in the window; anything else is dropped.
void readWatchKeys() {
    for (int code; (code = readHeldBackTypedCode()) >= 0;) {
        if (code == ' ') replay.paused = !replay.paused;
        if (code == '.' && replay.paused) replay.steps += 1;
        if (code == typedEscape) requestQuit();
    }
}

// Runs the commands due at this tick as brastor-headless runs them.
void runScript() {
    while (replay.next < replay.script.commands.size() && ticks >= replay.resumeTick) {
        const ScriptCommand& command = replay.script.commands[replay.next++];
        switch (command.op) {
            case ScriptOp::wait: replay.resumeTick = ticks + command.value; break;
            case ScriptOp::hold: feedKeyDown(static_cast<int>(command.value)); break;
            case ScriptOp::release: feedKeyUp(static_cast<int>(command.value)); break;
            case ScriptOp::type: feedTypedKey(static_cast<int>(command.value)); break;
            case ScriptOp::capture: saveScreen(command.file.c_str()); break;
            case ScriptOp::quit: requestQuit(); return;
        }
    }
}

// Waits here, the game standing still, while paused and no step is asked for.
bool replayTick(void*) {
    readWatchKeys();
    while (replay.paused && replay.steps == 0 && !quitRequested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        readWatchKeys();
    }
    if (replay.paused && replay.steps > 0) replay.steps -= 1;
    ticks += 1;
    runScript();
    return !heldBackKey(scanTab) || ticks % fastTicksPerSleep == 0;
}

// The number after `word` in the recording's first line, or -1.
std::int64_t headerNumber(std::string_view line, std::string_view word) {
    const std::size_t at = line.find(word);
    if (at == std::string_view::npos) return -1;
    std::size_t end = at + word.size();
    while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
    std::int64_t value = -1;
    return parseDecimal(line.substr(at + word.size(), end - at - word.size()), seedLimit, value) ? value : -1;
}

MissionSource source;
double gameSeed = 0;

int gameEntry() { return runGame(gameSeed); }

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (int status = readOptions(argc, argv, options)) return status;
    if (options.help) {
        std::printf("%s%s", synopsis, help);
        return 0;
    }

    if (!options.replayFile.empty()) {
        std::string text;
        if (const int status = loadScript(usage, "--replay", options.replayFile, text, replay.script))
            return status;
        // A recording names its seed and rules, a proof its rules (its seed is
        // brastor-headless's default); any other script (a winning script)
        // plays from the title screen with that default seed.
        const std::string_view first = std::string_view(text).substr(0, text.find('\n'));
        const bool recording = first.substr(0, recordingMark.size()) == recordingMark;
        if (recording || first.substr(0, proofMark.size()) == proofMark) {
            const std::int64_t seed = recording ? headerNumber(first, "seed ") : 1;
            const std::int64_t mission = headerNumber(first, "mission ");
            if (!options.seedGiven && seed >= 0) options.seed = seed;
            if (options.mission == 0 && (mission == 1 || mission == 2))
                options.mission = static_cast<int>(mission);
        } else {
            source.fromTitle = true;
            if (!options.seedGiven) options.seed = 1;
        }
        options.seedGiven = true;
    }
    if (!options.seedGiven) {
        // Chosen once here, outside the game, and written into the recording.
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        options.seed = std::chrono::duration_cast<std::chrono::microseconds>(now).count() % 1'000'000'000;
    }

    std::string error;
    if (!chooseLevel(options.level, options.mission, source, error)) {
        std::fprintf(stderr, "brastor-playtest: %s\n", error.c_str());
        return exitBadLevel;
    }

    if (!options.recordFile.empty()) {
        std::error_code ec;
        const std::string level = utf8OfPath(std::filesystem::absolute(pathOfUtf8(options.level), ec).lexically_normal());
        recorder.file = std::fopen(options.recordFile.c_str(), "wb");
        if (!recorder.file)
            return usage.error("--record: cannot write '" + options.recordFile + "': " + std::strerror(errno));
        std::fprintf(recorder.file,
                     "%.*s seed %lld, mission %d, level %s\n"
                     "# Replay: brastor-headless --seed %lld --mission %d --level %s --script %s\n"
                     "# Watch: brastor-playtest --replay %s %s\n"
                     "# One tick is one sleep of the game: a play frame, or a 10 ms poll of a text box.\n",
                     static_cast<int>(recordingMark.size()), recordingMark.data(),
                     static_cast<long long>(options.seed), source.rules, level.c_str(),
                     static_cast<long long>(options.seed), source.rules, level.c_str(),
                     options.recordFile.c_str(), options.recordFile.c_str(), level.c_str());
    }

    gameSeed = static_cast<double>(options.seed);
    setMissionSource(&source);
    setGameEventHook(onGameEvent, nullptr);
    holdBackInput(true);
    if (options.replayFile.empty())
        setSleepHook(recordTick, nullptr);
    else
        setSleepHook(replayTick, nullptr);
    const int status = runOnPlatform(gameEntry);
    setSleepHook(nullptr, nullptr);
    setGameEventHook(nullptr, nullptr);
    holdBackInput(false);
    setMissionSource(nullptr);

    if (recorder.file) {
        // A window closed mid-run: the replay stops at the same tick.
        if (quitRequested()) writeCommand("quit");
        std::fclose(recorder.file);
    }
    return status;
}
