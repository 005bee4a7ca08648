#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Each test reads below its own temporary folder and puts the data folder back.
class Files : public ::testing::Test {
protected:
    void SetUp() override {
        saved = dataFolderPath;
        folder = testTempFolder();
        setDataFolder(folder.c_str());
    }
    void TearDown() override {
        closeFile(file);
        dataFolderPath = saved;
    }
    void write(const std::string& name, const std::string& bytes) {
        fs::path p = fs::path(folder) / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::string saved, folder;
    GameFile file;
};

}  // namespace

TEST_F(Files, TextLinesDropLineEndsAndTheLastNeedsNone) {
    write("a.txt", "a\r\nb");
    ASSERT_EQ(openTextFile(file, "a.txt"), 0);
    EXPECT_FALSE(atEnd(file));
    EXPECT_EQ(readLine(file), "a");
    EXPECT_FALSE(atEnd(file));
    EXPECT_EQ(readLine(file), "b");
    EXPECT_TRUE(atEnd(file));
    EXPECT_EQ(readLine(file), "");
    closeFile(file);

    // A CR not directly before a LF stays; empty lines and a final LF.
    write("b.txt", "x\ry\n\n\r\nlast\n");
    ASSERT_EQ(openTextFile(file, "b.txt"), 0);
    EXPECT_EQ(readLine(file), "x\ry");
    EXPECT_EQ(readLine(file), "");
    EXPECT_EQ(readLine(file), "");
    EXPECT_EQ(readLine(file), "last");
    EXPECT_TRUE(atEnd(file));
}

TEST_F(Files, LongLinesAndHighBytesPassUnchanged) {
    std::string longLine(100000, 'q');
    longLine[54321] = static_cast<char>(0xDB);
    write("long.txt", longLine + "\r\nend");
    ASSERT_EQ(openTextFile(file, "long.txt"), 0);
    EXPECT_EQ(readLine(file), longLine);
    EXPECT_EQ(readLine(file), "end");
    EXPECT_TRUE(atEnd(file));
}

TEST_F(Files, BytesPastTheEndReadAsZeros) {
    write("ten.bin", "0123456789");
    ASSERT_EQ(openBinaryFile(file, "ten.bin"), 0);
    EXPECT_EQ(fileSize(file), 10);
    std::vector<unsigned char> bytes(54, 0xAA);
    readBytes(file, 54, bytes.data());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(bytes[i], '0' + i);
    for (int i = 10; i < 54; ++i) EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_TRUE(atEnd(file));

    ASSERT_TRUE(seekFile(file, 7));
    std::fill(bytes.begin(), bytes.end(), 0xAA);
    EXPECT_EQ(readBytesCounted(file, 5, bytes.data()), 3);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), std::string("789\0\0", 5));
    EXPECT_FALSE(seekFile(file, -1));
}

TEST_F(Files, BackslashNamesFindFilesWhateverTheirLetterCase) {
    write("level1/map.bmp", "M");
    write("GFX/Player/Right/Player_1.BMP", "P");
    ASSERT_EQ(openBinaryFile(file, "level1\\map.bmp"), 0);
    EXPECT_EQ(readLine(file), "M");
    ASSERT_EQ(openBinaryFile(file, "gfx\\player\\right\\player_1.bmp"), 0);
    EXPECT_EQ(readLine(file), "P");
    ASSERT_EQ(openTextFile(file, "LEVEL1\\MAP.BMP"), 0);
    EXPECT_EQ(readLine(file), "M");
    EXPECT_EQ(hostPath("gfx\\player\\right\\player_1.bmp"),
              (fs::path(folder) / "GFX/Player/Right/Player_1.BMP").string());

    // An exact match wins over a case-insensitive one.
    write("level1/Map.bmp", "other");
    ASSERT_EQ(openBinaryFile(file, "level1\\Map.bmp"), 0);
    EXPECT_EQ(readLine(file), "other");
}

TEST_F(Files, MissingFilesAndFoldersGiveAStatusAndEmptyReads) {
    write("level1/mission.txt", "x");
    EXPECT_NE(openTextFile(file, "level1\\missing.txt"), 0);
    EXPECT_NE(openTextFile(file, "level9\\mission.txt"), 0);
    EXPECT_NE(openTextFile(file, "level1"), 0);  // a folder is not a file
    EXPECT_NE(openBinaryFile(file, ""), 0);
    EXPECT_TRUE(atEnd(file));
    EXPECT_EQ(readLine(file), "");
    unsigned char bytes[4] = {1, 2, 3, 4};
    readBytes(file, 4, bytes);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2] | bytes[3], 0);
    closeFile(file);
    closeFile(file);
}

TEST_F(Files, DataFolderDefaultsToTheWorkingFolder) {
    setDataFolder(".");
    EXPECT_STREQ(dataFolder(), ".");
    EXPECT_EQ(hostPath("gfx\\a.bmp"), "gfx/a.bmp");
    setDataFolder(folder.c_str());
    EXPECT_EQ(std::string(dataFolder()), folder);
}
