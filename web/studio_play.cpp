// The level studio's player: the game, built with the page's backend, playing
// one level as brastor-playtest plays it (from its briefing, under one
// mission's rules, again after every end), or playing a proof script for
// watching as `brastor-playtest --replay` does. The studio writes the level
// (and the script) into the module's file system before main runs:
//
//   arguments: LEVEL.map MISSION [SCRIPT.keys]
//
// The page is told of every mission's end (Module.onStudioEvent) and can end
// the run at any tick (_studioStop).
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "headless/script.h"
#include "platform/backend.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "playtest/level.h"
#include "shell/game.h"
#include "world/game_state.h"

namespace {

EM_JS(void, pageStudioEvent, (const char* what, int value), {
    if (Module['onStudioEvent']) Module['onStudioEvent'](UTF8ToString(what), value);
});

MissionSource source;
double gameSeed = 1;
Script script;
std::size_t next = 0;
std::int64_t ticks = 0, resumeTick = 1;

// Runs the script's commands due at this tick as brastor-headless runs them.
bool replayTick(void*) {
    ticks += 1;
    while (next < script.commands.size() && ticks >= resumeTick) {
        const ScriptCommand& command = script.commands[next++];
        switch (command.op) {
            case ScriptOp::wait: resumeTick = ticks + command.value; break;
            case ScriptOp::hold: feedKeyDown(static_cast<int>(command.value)); break;
            case ScriptOp::release: feedKeyUp(static_cast<int>(command.value)); break;
            case ScriptOp::type: feedTypedKey(static_cast<int>(command.value)); break;
            case ScriptOp::capture: break;
            case ScriptOp::quit: requestQuit(); return true;
        }
    }
    return true;
}

void onGameEvent(GameEvent event, void*) {
    if (event == GameEvent::missionStart) pageStudioEvent("start", source.rules);
    if (event == GameEvent::objectiveMet) pageStudioEvent("objective", 0);
    if (event == GameEvent::missionEnd) pageStudioEvent("end", game.missionResult);
}

int gameEntry() { return runGame(gameSeed); }

}  // namespace

// Ends the run at the game's next tick, as closing the tester's window does.
extern "C" EMSCRIPTEN_KEEPALIVE void studioStop() { requestQuit(); }

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "studio player: LEVEL.map MISSION [SCRIPT.keys]\n");
        return 2;
    }
    std::string error;
    if (!chooseLevel(argv[1], std::atoi(argv[2]), source, error)) {
        std::fprintf(stderr, "studio player: %s\n", error.c_str());
        pageStudioEvent("refused", 0);
        return 1;
    }
    if (argc > 3) {
        std::ifstream in(argv[3], std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ScriptError fault;
        if (!parseScript(text, script, fault)) {
            std::fprintf(stderr, "studio player: %s:%d: %s\n", argv[3], fault.line, fault.message.c_str());
            return 2;
        }
        // A proof plays with brastor-headless's seed, its keys alone reaching the game.
        holdBackInput(true);
        setSleepHook(replayTick, nullptr);
    }
    setMissionSource(&source);
    setGameEventHook(onGameEvent, nullptr);
    return runOnPlatform(gameEntry);
}
