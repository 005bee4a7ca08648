// The platform's pure parts: the random generator against the standard one,
// data file names and reads, the key flags and the typed-key queue.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "platform/pad.h"
#include "platform/platform.h"
#include "platform/random.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

TEST(Platform, RandomIsTheStandardMersenneTwisterFromTheSeededState) {
    // The seed's whole part modulo 2^32 (negative seeds wrap) starts the state.
    for (auto [seed, word] : {std::pair{12345.987, 12345u}, {4294967296.0 * 3 + 7.5, 7u}, {-1.9, 0xFFFFFFFFu}, {1e300, 0u}}) {
        seedRandom(seed);
        EXPECT_EQ(randomState.words[0], word) << seed;
    }
    for (double seed : {0.0, 5489.0, 4294967295.0}) {
        seedRandom(seed);
        std::ostringstream state;
        for (std::uint32_t w : randomState.words) state << w << ' ';
        state << randomWordCount;
        std::mt19937 reference;
        std::istringstream(state.str()) >> reference;
        for (int i = 0; i < 3 * randomWordCount + 5; ++i)
            ASSERT_EQ(randomReal(), reference() / 4294967296.0) << "seed " << seed << " output " << i;
    }
}

TEST(Platform, FilesByBackslashNamesInAnyLetterCase) {
    const std::string saved = dataFolder(), folder = testTempFolder();
    setDataFolder(folder.c_str());
    auto write = [&](const std::string& name, const std::string& bytes) {
        const fs::path path = pathOfUtf8(folder + "/" + name);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    };
    auto firstLine = [](const char* name) {
        GameFile f;
        std::string line = openTextFile(f, name) == 0 ? readLine(f) : "(none)";
        closeFile(f);
        return line;
    };
    write("GFX/Player/Right/Player_1.BMP", "P");
    write("level1/Map.bmp", "upper");
    write("level1/map.BMP", "lower");  // two inexact matches: the smaller name wins
    write("level1/map.bmp", "exact");
    write("Zed/ZZ.txt", "z");
    write("a.txt", "x\ry\r\n\r\nlast");
    EXPECT_EQ(firstLine("gfx\\player\\right\\player_1.bmp"), "P");
    EXPECT_EQ(firstLine("level1\\map.bmp"), "exact");
    // A file system that folds case (Windows) holds one file for the three.
    const bool foldsCase = fs::equivalent(fs::path(folder) / "level1/Map.bmp", fs::path(folder) / "level1/map.bmp");
    EXPECT_EQ(firstLine("level1\\MAP.bmp"), foldsCase ? "exact" : "upper");
    EXPECT_EQ(firstLine("zed\\zz.TXT"), "z");
    EXPECT_EQ(firstLine("level1\\missing.txt"), "(none)");
    EXPECT_EQ(firstLine("level1"), "(none)");  // a folder is not a file
    // A data folder named outside ASCII (UTF-8 here, UTF-16 to Windows), and
    // a name from the root down, which Windows takes as on the current drive.
    const std::string wide = folder + "/J\xC3\xB6rg \xE6\x95\xB0\xE6\x8D\xAE";
    write("J\xC3\xB6rg \xE6\x95\xB0\xE6\x8D\xAE/Level1/map.bmp", "wide");
    setDataFolder(wide.c_str());
    EXPECT_EQ(firstLine("level1\\MAP.bmp"), "wide");
    setDataFolder("");
    EXPECT_EQ(firstLine((folder + "\\zed\\zz.txt").c_str()), "z");
    setDataFolder(folder.c_str());

    GameFile f;
    ASSERT_EQ(openTextFile(f, "a.txt"), 0);
    for (const char* line : {"x\ry", "", "last"}) EXPECT_EQ(readLine(f), line);
    EXPECT_TRUE(atEnd(f));
    ASSERT_TRUE(seekFile(f, 7));
    unsigned char bytes[6] = {1, 1, 1, 1, 1, 1};
    EXPECT_EQ(readBytesCounted(f, 6, bytes), 4);  // bytes past the end read as zeros
    EXPECT_EQ(std::string(bytes, bytes + 6), std::string("last\0\0", 6));
    EXPECT_EQ(fileSize(f), 11);
    closeFile(f);
    setDataFolder(saved.c_str());
}

TEST(Platform, KeyFlagsAndTheTypedKeyQueue) {
    clearKeys();
    clearTypedKeys();
    keyDown(scan::left);
    keyDown(-1);
    keyDown(keyFlagCount);
    EXPECT_TRUE(keyHeld(scan::left));
    EXPECT_FALSE(keyHeld(keyFlagCount));
    keyUp(scan::left);
    EXPECT_FALSE(keyHeld(scan::left));
    // A pad's stick holds an arrow from the dead zone's edge on, each way.
    PadKeys pad{};
    for (auto [x, y, key] : {std::tuple{-1, 0, scan::left}, {1, 0, scan::right}, {0, -1, scan::up}, {0, 1, scan::down}}) {
        PadInput stick{};
        stick.stickX = x * padStickDeadZone, stick.stickY = y * padStickDeadZone;
        applyPadInput(pad, stick, 0);
        EXPECT_TRUE(keyHeld(key)) << key;
        stick.stickX /= 2, stick.stickY /= 2;
        applyPadInput(pad, stick, 0);
        EXPECT_FALSE(keyHeld(key)) << key;
    }
    releasePad(pad, 0);  // the stick at rest
    EXPECT_FALSE(keyHeld(scan::left) || keyHeld(scan::right));
    PadInput stray{};  // a pad number past the table holds nothing
    stray.stickX = -padStickDeadZone;
    applyPadInput(pad, stray, keySourcePads);
    EXPECT_FALSE(keyHeld(scan::left));

    for (int i = 0; i < 40; ++i) pushTypedKey('A' + i);  // nobody reads: the ring wraps, the last 15 stay
    pushTypedKey(-5);
    pushTypedKey(256 + 72);
    for (int i = 26; i < 40; ++i) EXPECT_EQ(readTypedKey(), std::string(1, static_cast<char>('A' + i)));
    EXPECT_EQ(readTypedKey(), std::string("\xFF\x48"));  // a special key: 0xFF, then its code
    EXPECT_EQ(readTypedKey(), "");

    // The window system's text in code page 437: a German layout's Shift+7 and
    // umlaut; nothing for characters the code page lacks, controls or broken UTF-8.
    pushTypedText("h /");
    pushTypedText("\xC3\xA4\xC3\x9F\xC3\x89");   // 132, 225, 144
    pushTypedText("\xE2\x82\xAC\x01\xC0\xAF\xC3");  // euro sign, control, overlong, cut
    pushTypedText("\xE2\x96\x91\xC2\xA0");       // 176, 255
    std::string typed;
    for (std::string key; !(key = readTypedKey()).empty();) typed += key;
    EXPECT_EQ(typed, "h /\x84\xE1\x90\xB0\xFF");
    EXPECT_EQ(typedCodeOfCharacter("\xC3\xA4"), 132);
    EXPECT_EQ(typedCodeOfCharacter("ab"), -1);
    // The whole upper half, one character a line (written by Python's cp437 codec).
    std::ifstream upper(std::string(BRASTOR_TEST_DATA) + "/cp437-upper.txt");
    int code = 128;
    for (std::string line; std::getline(upper, line); ++code) EXPECT_EQ(typedCodeOfCharacter(line.c_str()), code) << line;
    EXPECT_EQ(code, 256);
}

// One writer and one reader thread, as the window and the game use the queue:
// the writer never lets more than 15 wait, so every code arrives once, in
// order. Every wait has a bound, so a lost code fails instead of hanging.
TEST(Platform, TypedKeysCrossThreadsInOrder) {
    clearTypedKeys();
    constexpr int total = 100000;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto late = [&] { return std::chrono::steady_clock::now() > deadline; };
    std::atomic<int> consumed{0};
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < total && !stop; ++i) {
            while (i - consumed.load() >= typedKeyMaxWaiting && !stop) std::this_thread::yield();
            pushTypedKey(i % 2 ? 256 + i % 256 : i % 256);
        }
    });
    int i = 0, wrong = 0;
    while (i < total && !late()) {
        const std::string key = readTypedKey();
        if (key.empty()) {
            std::this_thread::yield();
            continue;
        }
        wrong += key != (i % 2 ? std::string("\xFF") + static_cast<char>(i % 256) : std::string(1, static_cast<char>(i % 256)));
        consumed = ++i;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(i, total) << "codes stopped arriving";
    EXPECT_EQ(wrong, 0);
}
