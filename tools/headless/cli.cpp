#include "headless/cli.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/utf8_path.h"
#include "play/player.h"
#include "world/world.h"

int Usage::error(const std::string& message) const {
    std::fprintf(stderr, "%s: %s\n%s", program, message.c_str(), synopsis);
    return exitBadUse;
}

int Usage::badValue(std::string_view name, std::string_view value, const char* expected) const {
    return error("bad value '" + std::string(value) + "' for " + std::string(name) + " (" + expected + ")");
}

int Usage::unknownOption(std::string_view name) const {
    return error("unknown option '" + std::string(name) + "'");
}

int Usage::missingValue(std::string_view name) const {
    return error("option '" + std::string(name) + "' needs a value");
}

bool isHelpOption(std::string_view name) { return name == "--help" || name == "-h"; }

int readSeed(const Usage& usage, std::string_view value, std::int64_t& seed) {
    return parseDecimal(value, seedLimit, seed) ? 0 : usage.badValue("--seed", value, "a whole number from 0");
}

int readMission(const Usage& usage, std::string_view value, int& mission) {
    if (value != "1" && value != "2") return usage.badValue("--mission", value, "1 or 2");
    mission = value[0] - '0';
    return 0;
}

namespace {

// False for anything but a file that can be read: a folder opens, but reads as empty.
bool readWholeFile(const std::string& name, std::string& text) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(pathOfUtf8(name), ec)) return false;
    std::ifstream in(pathOfUtf8(name), std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

const char* resultName(int result) {
    return result == missionCompleted ? "completed" : result == missionFailed ? "failed" : "running";
}
}  // namespace

int loadScript(const Usage& usage, const char* option, const std::string& file, std::string& text,
               Script& script) {
    if (!readWholeFile(file, text)) return usage.error(std::string(option) + ": cannot read '" + file + "'");
    ScriptError scriptError;
    if (!parseScript(text, script, scriptError)) {
        std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), scriptError.line, scriptError.message.c_str());
        return exitBadUse;
    }
    return 0;
}

bool formatGameEvent(GameEvent event, std::int64_t tick, char* line, std::size_t size) {
    const int at = std::snprintf(line, size, "tick=%lld frame=%lld event=", static_cast<long long>(tick),
                                 static_cast<long long>(game.frameCount));
    if (at < 0 || static_cast<std::size_t>(at) >= size) return true;
    char* rest = line + at;
    const std::size_t room = size - static_cast<std::size_t>(at);
    switch (event) {
        case GameEvent::titleShown: std::snprintf(rest, room, "title"); break;
        case GameEvent::missionStart: std::snprintf(rest, room, "mission-start mission=%d", game.missionNumber); break;
        case GameEvent::objectiveMet: std::snprintf(rest, room, "objective mission=%d", game.missionNumber); break;
        case GameEvent::missionEnd:
            std::snprintf(rest, room, "mission-end mission=%d result=%s score=%d", game.missionNumber,
                          resultName(game.missionResult), game.score);
            break;
        case GameEvent::finalScreen:
            // The high score is updated only when the final screen is left.
            std::snprintf(rest, room, "final score=%d high=%d new-high=%d", game.score, game.highScore,
                          game.score > game.highScore ? 1 : 0);
            break;
        case GameEvent::screenshot: std::snprintf(rest, room, "screenshot"); break;
        case GameEvent::programEnd: std::snprintf(rest, room, "end"); break;
        case GameEvent::frameEnd: return false;
    }
    return true;
}

void formatFrameRow(char* row, std::size_t size) {
    std::snprintf(row, size, "%lld %d %d %d %d %d %d %d %d", static_cast<long long>(game.frameCount),
                  game.missionNumber, viewX, viewY, player.power, player.diamonds, game.score, game.missionResult,
                  game.objectiveMet);
}
