#include "support/test_support.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "shell/game.h"

void freshGame() {
    resetGameState();
    setScreenMode(screenWidth, screenHeight, 32);
}

std::string testTempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path p = std::filesystem::temp_directory_path() / "brastor-tests" /
                              (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string();
}
