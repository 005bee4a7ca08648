#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/keys.h"
#include "platform/platform.h"

namespace {

class Keys : public ::testing::Test {
protected:
    void SetUp() override {
        clearKeys();
        clearTypedKeys();
        resetQuit();
    }
    void TearDown() override { SetUp(); }
};

std::string special(int keyByte) { return std::string("\xFF") + static_cast<char>(keyByte); }

}  // namespace

TEST_F(Keys, FlagsFollowDownAndUpAndIgnoreCodesOutsideTheTable) {
    keyDown(scan::left);
    keyDown(scan::z);
    EXPECT_TRUE(keyHeld(scan::left));
    EXPECT_TRUE(keyHeld(scan::z));
    keyUp(scan::z);
    EXPECT_FALSE(keyHeld(scan::z));
    EXPECT_TRUE(keyHeld(scan::left));

    keyDown(127);
    EXPECT_TRUE(keyHeld(127));
    for (int code : {128, 200, 255, 256, -1, -128}) {
        keyDown(code);
        EXPECT_FALSE(keyHeld(code)) << code;
    }
    // Nothing out of range leaks into a neighbouring flag.
    int held = 0;
    for (int code = 0; code < keyFlagCount; ++code) held += keyHeld(code);
    EXPECT_EQ(held, 2);  // Left and 127
}

TEST_F(Keys, FocusChangeClearsEveryFlag) {
    for (int code = 0; code < keyFlagCount; ++code) keyDown(code);
    clearKeys();
    for (int code = 0; code < keyFlagCount; ++code) EXPECT_FALSE(keyHeld(code)) << code;
}

TEST_F(Keys, TwentyTypedWhileNobodyReadsLeavesTheLastFifteen) {
    EXPECT_EQ(readTypedKey(), "");
    for (int i = 0; i < 20; ++i) pushTypedKey('a' + i);
    for (int i = 5; i < 20; ++i) EXPECT_EQ(readTypedKey(), std::string(1, static_cast<char>('a' + i)));
    EXPECT_EQ(readTypedKey(), "");

    // The ring keeps working after wrapping around several times.
    for (int round = 0; round < 40; ++round) {
        pushTypedKey('0' + round % 10);
        pushTypedKey(' ');
        EXPECT_EQ(readTypedKey(), std::string(1, static_cast<char>('0' + round % 10)));
        EXPECT_EQ(readTypedKey(), " ");
    }
    EXPECT_EQ(readTypedKey(), "");
}

TEST_F(Keys, CharactersAndSpecialKeysComeBackAsTheirBytes) {
    pushTypedKey('h');
    pushTypedKey('H');
    pushTypedKey(200);  // a code page 437 character above 127
    pushTypedKey(256 + 72);
    pushTypedKey(256 + 68);
    pushTypedKey(256 + 83);
    pushTypedKey(-5);  // not a key: dropped
    EXPECT_EQ(readTypedKey(), "h");
    EXPECT_EQ(readTypedKey(), "H");
    EXPECT_EQ(readTypedKey(), std::string(1, static_cast<char>(200)));
    EXPECT_EQ(readTypedKey(), std::string("\xFF") + "H");  // Up
    EXPECT_EQ(readTypedKey(), special(68));                 // F10
    EXPECT_EQ(readTypedKey(), special(83));                 // Delete
    EXPECT_EQ(readTypedKey(), "");

    pushTypedKey('x');
    clearTypedKeys();
    EXPECT_EQ(readTypedKey(), "");
}

// The window system's text in code page 437: a German layout's Shift+7 and
// umlaut, and nothing for characters the code page lacks, controls or broken
// UTF-8.
TEST_F(Keys, TypedTextBecomesCodePage437) {
    pushTypedText("h /");
    pushTypedText("\xC3\xA4\xC3\x9F\xC3\x89");   // 132, 225, 144
    pushTypedText("\xE2\x82\xAC\x01\xC0\xAF\xC3");  // euro sign, control, overlong, cut
    pushTypedText("\xE2\x96\x91\xC2\xA0");       // 176, 255
    std::string typed;
    for (std::string key; !(key = readTypedKey()).empty();) typed += key;
    EXPECT_EQ(typed, "h /\x84\xE1\x90\xB0\xFF");
    EXPECT_EQ(typedCodeOfCharacter("\xC3\xA4"), 132);
    EXPECT_EQ(typedCodeOfCharacter("ab"), -1);
}

TEST_F(Keys, QuitFlagIsSetAndReset) {
    EXPECT_FALSE(quitRequested());
    requestQuit();
    EXPECT_TRUE(quitRequested());
    resetQuit();
    EXPECT_FALSE(quitRequested());
}

// One writer and one reader on separate threads, as the window and the game
// use the queue. The writer never lets more than 15 wait, so every code must
// arrive exactly once and in order.
TEST_F(Keys, WriterAndReaderThreadsKeepOrder) {
    constexpr int total = 200000;
    std::atomic<int> consumed{0};
    std::thread writer([&] {
        for (int i = 0; i < total; ++i) {
            while (i - consumed.load() >= typedKeyMaxWaiting) std::this_thread::yield();
            pushTypedKey(i % 2 ? 256 + i % 256 : i % 256);
        }
    });
    int mismatches = 0;
    for (int i = 0; i < total;) {
        std::string key = readTypedKey();
        if (key.empty()) {
            std::this_thread::yield();
            continue;
        }
        std::string expected = i % 2 ? special(i % 256) : std::string(1, static_cast<char>(i % 256));
        if (key != expected) ++mismatches;
        ++i;
        consumed.store(i);
    }
    writer.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(readTypedKey(), "");
}

// A writer flooding a slow reader: codes may be dropped, but what arrives is
// in the order written, and no more than 15 are ever left waiting.
TEST_F(Keys, FloodingWriterDropsOldestButKeepsOrder) {
    constexpr int total = 100000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < total; ++i) pushTypedKey(i % 256);
        done.store(true);
    });
    int last = -1, restarts = 0, received = 0;
    auto take = [&](const std::string& key) {
        int code = static_cast<unsigned char>(key[0]);
        if (code <= last) ++restarts;  // the 0..255 cycle began again
        last = code;
        ++received;
    };
    while (!done.load())
        if (std::string key = readTypedKey(); !key.empty()) take(key);
    writer.join();
    int left = 0;
    for (std::string key; !(key = readTypedKey()).empty(); ++left) take(key);
    EXPECT_GT(received, 0);
    EXPECT_LE(left, typedKeyMaxWaiting);
    // Drops only remove restarts; any reordering would add many.
    EXPECT_LE(restarts, total / 256 + 1);
}
