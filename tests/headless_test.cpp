// The headless platform: its virtual clock and tick hook, its reset, and the
// pacing of the real game loops measured through that clock.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "shell/game.h"
#include "support/test_support.h"

namespace {

struct SleepLog {
    std::vector<double> clockAtHook;
    std::vector<std::int64_t> tickAtHook;
};

void logSleep(void* user) {
    auto* log = static_cast<SleepLog*>(user);
    log->clockAtHook.push_back(clockSeconds());
    log->tickAtHook.push_back(headlessTicks());
}

}  // namespace

TEST(HeadlessBackend, SleepAdvancesTheClockCountsATickThenCallsTheHook) {
    headlessReset();
    EXPECT_EQ(clockSeconds(), 0.0);
    EXPECT_EQ(headlessTicks(), 0);

    SleepLog log;
    headlessSetTickHook(logSleep, &log);
    sleepMs(15);
    sleepMs(10);
    sleepMs(0);  // still a tick: every sleep of the game is one
    ASSERT_EQ(log.clockAtHook.size(), 3u);
    EXPECT_DOUBLE_EQ(log.clockAtHook[0], 0.015);
    EXPECT_DOUBLE_EQ(log.clockAtHook[1], 0.025);
    EXPECT_DOUBLE_EQ(log.clockAtHook[2], 0.025);
    EXPECT_EQ(log.tickAtHook, (std::vector<std::int64_t>{1, 2, 3}));

    // A long run of frames lands exactly on whole milliseconds: no drift.
    for (int i = 0; i < 100000; ++i) sleepMs(15);
    EXPECT_EQ(clockSeconds(), 1500.025);
    EXPECT_EQ(headlessTicks(), 100003);
    headlessReset();
}

TEST(HeadlessBackend, ResetReturnsEverythingToTheStart) {
    headlessReset();
    SleepLog log;
    headlessSetTickHook(logSleep, &log);
    sleepMs(40);
    keyDown(scan::escape);
    keyDown(scan::right);
    pushTypedKey('a');
    pushTypedKey(' ');
    requestQuit();

    headlessReset();
    EXPECT_EQ(clockSeconds(), 0.0);
    EXPECT_EQ(headlessTicks(), 0);
    EXPECT_FALSE(keyHeld(scan::escape));
    EXPECT_FALSE(keyHeld(scan::right));
    EXPECT_EQ(readTypedKey(), "");
    EXPECT_FALSE(quitRequested());
    sleepMs(15);  // the hook is gone
    EXPECT_EQ(log.clockAtHook.size(), 1u);
    headlessReset();
}

TEST(HeadlessBackend, EntryRunsDirectlyAndOpeningNeedsNoDisplay) {
    headlessReset();
    EXPECT_EQ(setScreenMode(screenWidth, screenHeight, 32), 0);
    EXPECT_EQ(runOnPlatform([] { return 7; }), 7);
}

namespace {

// Plays the real game loops with the keys a player would press: Space at
// every text screen, Escape after a few frames of play, and records the
// clock at each sleep together with what the game was doing then.
struct PacingDriver {
    enum Phase { textScreen, play };
    Phase phase = textScreen;
    bool spaceSent = false;
    int framesPlayed = 0;
    int escapeAfterFrames = 5;
    int titlesShown = 0;
    int lastFrameResult = -1;
    std::vector<GameEvent> events;
    struct Sleep {
        double clock;
        Phase phase;
    };
    std::vector<Sleep> sleeps;
};

void pacingEvent(GameEvent event, void* user) {
    auto* d = static_cast<PacingDriver*>(user);
    d->events.push_back(event);
    switch (event) {
        case GameEvent::frameEnd:
            d->phase = PacingDriver::play;
            d->framesPlayed += 1;
            d->lastFrameResult = game.missionResult;
            break;
        case GameEvent::titleShown:
            d->titlesShown += 1;
            // The second title ends the run even where Escape does not yet.
            if (d->titlesShown == 2) requestQuit();
            [[fallthrough]];
        case GameEvent::missionStart:
        case GameEvent::objectiveMet:
        case GameEvent::missionEnd:
        case GameEvent::finalScreen:
            d->phase = PacingDriver::textScreen;
            d->spaceSent = false;
            break;
        default: break;
    }
}

void pacingTick(void* user) {
    auto* d = static_cast<PacingDriver*>(user);
    d->sleeps.push_back({clockSeconds(), d->phase});
    if (d->phase == PacingDriver::textScreen && !d->spaceSent) {
        pushTypedKey(' ');
        d->spaceSent = true;
    }
    if (d->phase == PacingDriver::play && d->framesPlayed >= d->escapeAfterFrames)
        keyDown(scan::escape);
    if (headlessTicks() > 100000) requestQuit();  // a hung loop fails, it does not hang
}

}  // namespace

TEST(HeadlessGame, PlayFramesSleep15MsAndTextScreenPolls10Ms) {
    const std::string oldData = dataFolder();
    setDataFolder(testTempFolder().c_str());  // no data: every file is missing
    headlessReset();
    PacingDriver driver;
    headlessSetTickHook(pacingTick, &driver);
    setGameEventHook(pacingEvent, &driver);

    EXPECT_EQ(runGame(1), 0);

    setGameEventHook(nullptr, nullptr);
    headlessReset();
    setDataFolder(oldData.c_str());

    ASSERT_FALSE(driver.sleeps.empty());
    EXPECT_LT(driver.sleeps.size(), 100000u);
    int playSleeps = 0, textSleeps = 0;
    double previous = 0;
    for (const auto& s : driver.sleeps) {
        const double expected = s.phase == PacingDriver::play ? 0.015 : 0.010;
        EXPECT_NEAR(s.clock - previous, expected, 1e-9);
        previous = s.clock;
        (s.phase == PacingDriver::play ? playSleeps : textSleeps) += 1;
    }
    // Escape is held from the sleep after frame 5; frame 6 sees it, is played
    // to its end and slept after, and only then does the mission end.
    EXPECT_EQ(driver.framesPlayed, 6);
    EXPECT_EQ(playSleeps, 6);
    EXPECT_EQ(driver.lastFrameResult, missionFailed);
    EXPECT_NEAR(driver.sleeps.back().clock, 0.015 * playSleeps + 0.010 * textSleeps, 1e-9);

    // title, briefing, the objective (an empty level has no generator left)
    // with its box in the first frame, six frames, the failed mission's end,
    // the final screen, the title again, the end.
    std::vector<GameEvent> expected{GameEvent::titleShown, GameEvent::missionStart,
                                    GameEvent::objectiveMet};
    for (int i = 0; i < 6; ++i) expected.push_back(GameEvent::frameEnd);
    expected.insert(expected.end(), {GameEvent::missionEnd, GameEvent::finalScreen,
                                     GameEvent::titleShown, GameEvent::programEnd});
    EXPECT_EQ(driver.events, expected);
}
