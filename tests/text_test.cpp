#include <string>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "shell/text.h"
#include "support/golden.h"
#include "support/test_support.h"
#include "world/pictures.h"

namespace {

constexpr std::uint32_t grey = 0xFF808080u;
constexpr std::uint32_t halfGrey = 0x7F404040u;
constexpr std::uint32_t darkGreen = 0xFF006400u;
constexpr std::uint32_t yellow = 0xFFFFFF00u;

// Types the given key at the given tick of the headless clock; a screen still
// waiting after 1000 ticks fails the test instead of hanging it.
struct TypedAt {
    std::int64_t tick;
    int code;
    bool holdEscape = false;
};
void typeOnTick(void* user) {
    const auto* plan = static_cast<const std::vector<TypedAt>*>(user);
    if (headlessTicks() > 1000) {
        ADD_FAILURE() << "the screen still waits";
        requestQuit();
    }
    for (const TypedAt& t : *plan)
        if (t.tick == headlessTicks()) {
            if (t.holdEscape) keyDown(scan::escape);
            if (t.code) pushTypedKey(t.code);
        }
}

class Text : public GameDataTest {
protected:
    void SetUp() override {
        GameDataTest::SetUp();
        freshGame();
    }
    // Shows the box over a grey screen, dismissed by a space at the first poll.
    void showOverGrey() {
        setColours(std::nullopt, grey);
        clearScreen();
        headlessReset();
        plan_ = {{1, ' '}};
        headlessSetTickHook(typeOnTick, &plan_);
        EXPECT_TRUE(showTextBox());
        headlessSetTickHook(nullptr, nullptr);
    }
    bool rowHas(int y, int x0, int x1, std::uint32_t colour) {
        for (int x = x0; x <= x1; ++x)
            if (pixelAt(x, y) == colour) return true;
        return false;
    }
    std::vector<TypedAt> plan_;
};

TEST_F(Text, MissionTextsLoadFromTheMissionFolderAndStopAtTheTable) {
    useData("shell");
    textLines[20] = "stale";
    game.missionNumber = 1;
    loadMissionText("mission.txt");
    EXPECT_EQ(textLines[0], "Shell test mission");
    EXPECT_EQ(textLines[1], "");
    EXPECT_EQ(textLines[3], "open the door.");  // carriage returns are not part of the line
    EXPECT_EQ(textLines[20], "");

    game.missionNumber = 2;  // 23 lines in the file: the last two are ignored
    loadMissionText("mission.txt");
    EXPECT_EQ(textLines[0], "Line 1");
    EXPECT_EQ(textLines[20], "Line 21");

    loadMissionText("update.txt");
    EXPECT_EQ(textLines[0], "Error loading complete text...");
    for (int i = 1; i < textLineCount; ++i) EXPECT_EQ(textLines[i], "") << i;
}

TEST_F(Text, BoxHeightFollowsTheLastNonEmptyLine) {
    struct Case {
        int lastLine;  // -1: all empty
        int top, bottom;
    };
    for (const Case c : {Case{-1, 140, 340}, Case{0, 230, 250}, Case{20, 70, 410}}) {
        SCOPED_TRACE(c.lastLine);
        clearTextLines();
        if (c.lastLine >= 0) textLines[c.lastLine] = "Hi";
        showOverGrey();
        // frame edges and the two lines under the top edge
        for (int y : {c.top, c.top + 2, c.top + 4, c.bottom}) EXPECT_EQ(pixelAt(300, y), darkGreen) << y;
        for (int y : {c.top + 1, c.top + 3, c.bottom - 1}) EXPECT_EQ(pixelAt(80, y), halfGrey) << y;
        EXPECT_EQ(pixelAt(70, (c.top + c.bottom) / 2), darkGreen);
        EXPECT_EQ(pixelAt(570, (c.top + c.bottom) / 2), darkGreen);
        EXPECT_EQ(pixelAt(100, c.top + 1), halfGrey);
        // nothing outside the box
        EXPECT_EQ(pixelAt(69, c.top + 10), grey);
        EXPECT_EQ(pixelAt(571, c.top + 10), grey);
        EXPECT_EQ(pixelAt(300, c.top - 1), grey);
        EXPECT_EQ(pixelAt(300, c.bottom + 1), grey);
        if (c.lastLine >= 0) {
            const int textTop = c.top + 6 + 16 * c.lastLine;
            bool found = false;
            for (int y = textTop; y < textTop + 16; ++y) found = found || rowHas(y, 312, 327, yellow);
            EXPECT_TRUE(found);
            EXPECT_FALSE(rowHas(textTop - 1, 0, 639, yellow));
        }
    }
}

TEST_F(Text, DarkeningIncludesBothEdgesAndStaysOnTheScreen) {
    setColours(std::nullopt, grey);
    clearScreen();
    darkenBox(10, 20, 5, 3);
    EXPECT_EQ(pixelAt(10, 20), halfGrey);
    EXPECT_EQ(pixelAt(15, 23), halfGrey);
    EXPECT_EQ(pixelAt(16, 23), grey);
    EXPECT_EQ(pixelAt(15, 24), grey);
    EXPECT_EQ(pixelAt(9, 20), grey);
    darkenBox(-50, -50, 800, 700);  // overhangs every edge
    EXPECT_EQ(pixelAt(0, 0), halfGrey);
    EXPECT_EQ(pixelAt(639, 479), halfGrey);
    EXPECT_EQ(pixelAt(12, 21), 0x3F202020u);
    darkenBox(630, 470, 100, 100);
    EXPECT_EQ(pixelAt(639, 479), 0x3F202020u);
}

TEST_F(Text, ScreensWaitForASpaceTypedAfterTheyAreUp) {
    clearTextLines();
    textLines[0] = "Wait";
    pushTypedKey(' ');  // typed before the screen: discarded
    plan_ = {{2, '\r'}, {3, 'x'}, {4, 256 + 72}, {6, ' '}};
    headlessSetTickHook(typeOnTick, &plan_);
    EXPECT_TRUE(showTextBox());
    EXPECT_EQ(headlessTicks(), 7);

    headlessReset();
    plan_ = {{2, 0, true}, {5, ' '}};  // Escape held does not leave a text box
    headlessSetTickHook(typeOnTick, &plan_);
    EXPECT_TRUE(showTextBox());
    EXPECT_EQ(headlessTicks(), 6);
    clearKeys();

    headlessReset();
    plan_ = {{2, ' '}};
    headlessSetTickHook(typeOnTick, &plan_);
    EXPECT_TRUE(showTitleScreen());
    EXPECT_EQ(headlessTicks(), 3);
}

TEST_F(Text, EscapeHeldOnTheTitleEndsEvenWithASpaceWaiting) {
    clearTextLines();
    plan_ = {{1, ' '}, {2, 0, true}};  // the space is read in the poll that sees Escape
    headlessSetTickHook(typeOnTick, &plan_);
    EXPECT_FALSE(showTitleScreen());
    EXPECT_EQ(headlessTicks(), 2);
}

TEST_F(Text, ScreensGiveUpWhenThePlatformQuits) {
    clearTextLines();
    requestQuit();
    EXPECT_FALSE(showTextBox());
    EXPECT_FALSE(showTitleScreen());
}

TEST_F(Text, TitleSkyRoundsHalvesToEvenAndEmptySlotsDrawNothing) {
    clearTextLines();
    for (auto& p : pictures) p = nullptr;  // nothing created: the ground is simply missing
    plan_ = {{1, ' '}};
    headlessSetTickHook(typeOnTick, &plan_);
    EXPECT_TRUE(showTitleScreen());
    const int expected[][2] = {{0, 255}, {1, 254}, {2, 254}, {3, 254}, {4, 253}, {5, 252}, {479, 16}};
    for (const auto& [y, blue] : expected) {
        EXPECT_EQ(pixelAt(0, y), 0xFF000000u | blue) << y;
        EXPECT_EQ(pixelAt(639, y), 0xFF000000u | blue) << y;
    }
}

}  // namespace
