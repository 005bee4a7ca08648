// The frame loop's observable order: what a frame does after the mission's
// result is decided, the shell's keys (Escape, the "h" screenshot), and the
// typed-key queue being read once per frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "play/player.h"
#include "shell/game.h"
#include "support/map_builder.h"
#include "support/test_support.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

struct EventLog {
    std::vector<GameEvent> events;
    std::vector<int> resultAtFrameEnd;
};

void logEvent(GameEvent event, void* user) {
    auto* log = static_cast<EventLog*>(user);
    log->events.push_back(event);
    if (event == GameEvent::frameEnd) log->resultAtFrameEnd.push_back(game.missionResult);
}

// A text box that nobody answers would wait for ever: end it as a failure.
void stopRunaway(void*) {
    if (headlessTicks() > 1000) {
        ADD_FAILURE() << "the game waited in a text screen";
        requestQuit();
    }
}

int countOf(const EventLog& log, GameEvent event) {
    int n = 0;
    for (GameEvent e : log.events) n += e == event;
    return n;
}

// A mission 1 of our own in a fresh data folder, which is also the working
// folder (the screenshot lands there).
class FrameLoop : public ::testing::Test {
protected:
    void SetUp() override {
        oldData = dataFolder();
        oldWorking = std::filesystem::current_path();
        folder = testTempFolder();
        std::filesystem::current_path(folder);
        setDataFolder(folder.c_str());
        headlessReset();
        freshGame();
        createPictures();
        setGameEventHook(logEvent, &log);
        headlessSetTickHook(stopRunaway, nullptr);
    }
    void TearDown() override {
        setGameEventHook(nullptr, nullptr);
        headlessReset();
        setDataFolder(oldData.c_str());
        std::filesystem::current_path(oldWorking);
    }
    // The player stands on a floor, a generator keeps the objective unmet
    // (no text box waits); startMission and beginPlay as the mission loop runs them.
    void startOnFloor() {
        writeMission(folder, 1,
                     {"G.........",
                      "#.........",
                      "....P.....",
                      "##########"});
        startMission();
        beginPlay();
    }
    bool screenSaved() const { return std::filesystem::exists(folder + "/screen.bmp"); }

    std::string oldData;
    std::filesystem::path oldWorking;
    std::string folder;
    EventLog log;
};

}  // namespace

TEST_F(FrameLoop, EscapeFailsTheMissionButTheFrameRunsToItsEnd) {
    startOnFloor();
    playFrame();
    EXPECT_EQ(game.missionResult, 0);

    keyDown(scan::escape);
    pushTypedKey('h');
    const auto framesBefore = game.frameCount;
    EXPECT_EQ(playFrame(), missionFailed);
    // Everything after the key test still happened in this frame.
    EXPECT_EQ(game.frameCount, framesBefore + 1);
    EXPECT_EQ(countOf(log, GameEvent::screenshot), 1);
    EXPECT_TRUE(screenSaved());
    EXPECT_EQ(log.resultAtFrameEnd, (std::vector<int>{0, missionFailed}));
    EXPECT_EQ(log.events.back(), GameEvent::frameEnd);
}

// The exit beam is touched in the contact pass; Escape and the power check
// come later in the same frame and win.
TEST_F(FrameLoop, ExitBeamTouchLosesToEscapeOrPowerLossInTheSameFrame) {
    enum Case { beamOnly, beamAndEscape, beamAndPowerLoss };
    for (Case c : {beamOnly, beamAndEscape, beamAndPowerLoss}) {
        SCOPED_TRACE(c);
        headlessReset();
        headlessSetTickHook(stopRunaway, nullptr);
        freshGame();
        startOnFloor();
        placeExitBeam();
        if (c == beamAndEscape) keyDown(scan::escape);
        if (c == beamAndPowerLoss) player.power = -1;

        const int result = playFrame();
        EXPECT_EQ(result, c == beamOnly ? missionCompleted : missionFailed);
        EXPECT_EQ(game.missionResult, result);
        EXPECT_EQ(game.score, 100);  // the touch itself counted every time
        if (c == beamAndPowerLoss) {
            EXPECT_EQ(player.power, 0);
        }
    }
}

TEST_F(FrameLoop, OneTypedKeyPerFrameAndOnlyLowerCaseHSavesTheScreen) {
    startOnFloor();
    for (char c : {'a', 'H', ' ', 'h', 'x'}) pushTypedKey(c);

    std::vector<bool> savedAfterFrame;
    std::vector<int> shotsAfterFrame;
    for (int frame = 0; frame < 6; ++frame) {
        playFrame();
        savedAfterFrame.push_back(screenSaved());
        shotsAfterFrame.push_back(countOf(log, GameEvent::screenshot));
    }
    // 'a', 'H' and ' ' take one frame each and do nothing; 'h' in the fourth.
    EXPECT_EQ(savedAfterFrame, (std::vector<bool>{false, false, false, true, true, true}));
    EXPECT_EQ(shotsAfterFrame, (std::vector<int>{0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(readTypedKey(), "");  // 'x' went in the fifth frame
    EXPECT_EQ(std::filesystem::file_size(folder + "/screen.bmp"), 54u + 640u * 480u * 3u);
    EXPECT_EQ(game.missionResult, 0);
}
