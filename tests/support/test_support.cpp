#include "support/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/bmp_format.h"
#include "shell/game.h"

namespace fs = std::filesystem;

void GameTest::SetUp() {
    savedFolder_ = dataFolder();
    std::copy_n(pictures, pictureSlots, savedPictures_);
}

void GameTest::TearDown() {
    setMissionSource(nullptr);
    setDataFolder(savedFolder_.c_str());
    std::copy_n(savedPictures_, pictureSlots, pictures);
    clearKeys();
    clearTypedKeys();
    resetQuit();
}

void freshGame() {
    resetGameState();
    EXPECT_EQ(setScreenMode(screenWidth, screenHeight, 32), 0) << "the screen opened, so its status is 0";
}

namespace {
struct ProcessFolder {
    fs::path path;
    ProcessFolder() {
        // A new folder of a random name (mkdtemp is not on every host).
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            fs::path candidate = fs::temp_directory_path() / ("brastor-tests-" + std::to_string(random()));
            std::error_code ec;
            if (fs::create_directory(candidate, ec)) path = candidate;
        }
        if (path.empty()) std::abort();
    }
    ~ProcessFolder() { std::error_code ec; fs::remove_all(path, ec); }
};
}  // namespace

std::string testTempFolder() {
    static ProcessFolder base;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path p = base.path / (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(p);
    fs::create_directories(p);
    return p.string();
}

// Written out here rather than taken from the game's catalogue, so that a
// colour changed there shows as a difference (catalogue_test compares them).
const std::map<char, std::uint32_t>& testMapLegend() {
    static const std::map<char, std::uint32_t> legend{
        {'.', 0xFFFFFF}, {'#', 0x000000}, {'g', 0x400000}, {'b', 0x008080}, {'B', 0x808000},
        {'G', 0x808080}, {'d', 0xFF0000}, {'c', 0x8000FF}, {'k', 0xFFFF00}, {'K', 0x000040},
        {'l', 0xFFF000}, {'L', 0x003240}, {'h', 0x323232}, {'w', 0x80FF80}, {'s', 0xC0C0C0},
        {'o', 0xFF8000}, {'P', 0xFF00FF}, {'W', 0x0000FF}, {'F', 0x00FFFF}, {'T', 0x800000},
        {'S', 0x400080}, {'N', 0x408080}, {'p', 0x00FF00}};
    return legend;
}

void writeMission(const std::string& folder, int missionNumber, const std::vector<std::string>& rows) {
    const auto& legend = testMapLegend();
    const int height = static_cast<int>(rows.size()), width = static_cast<int>(rows[0].size());
    const auto out = encodeBmp24(width, height, [&](int x, int y) { return legend.at(rows[y][x]); });
    const fs::path path = fs::path(folder) / ("level" + std::to_string(missionNumber)) / "map.bmp";
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                                static_cast<std::streamsize>(out.size()));
}
