#include "support/golden.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

constexpr int rowBytes = screenWidth * 3;  // 1920, already a multiple of 4
constexpr int headerBytes = 54;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8 & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
std::uint32_t get32(const std::vector<std::uint8_t>& in, std::size_t at) {
    return in[at] | in[at + 1] << 8 | in[at + 2] << 16 | static_cast<std::uint32_t>(in[at + 3]) << 24;
}

// The frame as a 640 x 480 bottom-up 24-bit BMP. Written here rather than with
// the game's saveScreen so the check does not depend on the code under test.
bool writeFrame(const std::filesystem::path& path) {
    std::vector<std::uint8_t> out;
    out.reserve(headerBytes + rowBytes * screenHeight);
    out.push_back('B');
    out.push_back('M');
    put32(out, headerBytes + rowBytes * screenHeight);
    put32(out, 0);
    put32(out, headerBytes);
    put32(out, 40);
    put32(out, screenWidth);
    put32(out, screenHeight);
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, rowBytes * screenHeight);
    put32(out, 2834);
    put32(out, 2834);
    put32(out, 0);
    put32(out, 0);
    const std::uint32_t* frame = framePixels();
    for (int y = screenHeight - 1; y >= 0; --y)
        for (int x = 0; x < screenWidth; ++x) {
            std::uint32_t p = frame[y * screenWidth + x];
            out.push_back(p & 0xFF);
            out.push_back(p >> 8 & 0xFF);
            out.push_back(p >> 16 & 0xFF);
        }
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

// Reads a reference written by writeFrame into RGB values (0x00RRGGBB), top row
// first. Empty on any file that is not exactly such a picture.
std::vector<std::uint32_t> readReference(const std::filesystem::path& path, std::string& why) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        why = "cannot open " + path.string();
        return {};
    }
    std::vector<std::uint8_t> in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (in.size() < headerBytes || in[0] != 'B' || in[1] != 'M' || get32(in, 18) != screenWidth ||
        get32(in, 22) != screenHeight || (in[28] | in[29] << 8) != 24) {
        why = path.string() + " is not a 640 x 480 24-bit BMP";
        return {};
    }
    std::size_t offset = get32(in, 10);
    if (in.size() < offset + static_cast<std::size_t>(rowBytes) * screenHeight) {
        why = path.string() + " is truncated";
        return {};
    }
    std::vector<std::uint32_t> rgb(screenWidth * screenHeight);
    for (int y = 0; y < screenHeight; ++y) {
        const std::uint8_t* row = in.data() + offset + static_cast<std::size_t>(screenHeight - 1 - y) * rowBytes;
        for (int x = 0; x < screenWidth; ++x)
            rgb[y * screenWidth + x] = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
    }
    return rgb;
}

std::string hex(std::uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", rgb);
    return text;
}

}  // namespace

std::string goldenPath(const char* name) {
    return (std::filesystem::path(BRASTOR_SOURCE_DIR) / "tests" / "golden" / (std::string(name) + ".bmp")).string();
}

void expectFrameMatchesGolden(const char* name, std::source_location where) {
    const std::filesystem::path reference = goldenPath(name);
    const char* update = std::getenv("BRASTOR_UPDATE_GOLDEN");
    if (update && std::strcmp(update, "1") == 0) {
        if (!writeFrame(reference))
            ADD_FAILURE_AT(where.file_name(), where.line()) << "could not write " << reference;
        return;
    }

    const std::filesystem::path actual =
        std::filesystem::path(BRASTOR_BINARY_DIR) / "golden-actual" / (std::string(name) + ".bmp");
    std::string why;
    std::vector<std::uint32_t> expected = readReference(reference, why);
    if (expected.empty()) {
        writeFrame(actual);
        ADD_FAILURE_AT(where.file_name(), where.line())
            << "golden '" << name << "': " << why << "\n  actual frame written to " << actual
            << "\n  (run with BRASTOR_UPDATE_GOLDEN=1 to create the reference)";
        return;
    }

    const std::uint32_t* frame = framePixels();
    int differing = 0;
    std::ostringstream first;
    for (int i = 0; i < screenWidth * screenHeight; ++i) {
        std::uint32_t got = frame[i] & 0x00FFFFFFu;
        if (got == expected[i]) continue;
        if (++differing <= 8)
            first << "\n  (" << i % screenWidth << ", " << i / screenWidth << "): expected "
                  << hex(expected[i]) << ", actual " << hex(got);
    }
    if (differing == 0) return;
    writeFrame(actual);
    ADD_FAILURE_AT(where.file_name(), where.line())
        << "golden '" << name << "': " << differing << " pixel(s) differ from " << reference
        << first.str() << "\n  actual frame written to " << actual;
}

// ---------------------------------------------------------------- running the real game

#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "shell/text.h"
#include "world/pictures.h"

namespace {
Image* keptPictures[pictureSlots];

void resetPlatformInput() {
    headlessReset();
    setGameEventHook(nullptr, nullptr);
    clearTypedKeys();
    clearKeys();
    resetQuit();
}

void driverEvent(GameEvent event, void* user) {
    auto& d = *static_cast<ScreenDriver*>(user);
    if (event == GameEvent::frameEnd) {
        d.frames += 1;
        d.frameSleepNext = true;
    } else if (event == GameEvent::titleShown || event == GameEvent::missionStart ||
               event == GameEvent::objectiveMet || event == GameEvent::missionEnd ||
               event == GameEvent::finalScreen) {
        d.screenPending = true;
    }
    if (d.onEvent) d.onEvent(d, event);
}

void driverTick(void* user) {
    auto& d = *static_cast<ScreenDriver*>(user);
    if (++d.ticks > d.tickLimit) {
        if (d.ticks == d.tickLimit + 1) ADD_FAILURE() << "the game still waits after " << d.tickLimit << " sleeps";
        requestQuit();
        return;
    }
    if (d.frameSleepNext) {
        d.frameSleepNext = false;
        if (d.onFrame) d.onFrame(d);
        return;
    }
    if (d.screenPending) {
        d.screenPending = false;
        d.screens.emplace_back(std::begin(textLines), std::end(textLines));
        if (d.onScreen) d.onScreen(d);
    }
}
}  // namespace

void GameDataTest::SetUp() {
    resetPlatformInput();
    savedFolder_ = dataFolder();
    for (int i = 0; i < pictureSlots; ++i)
        if (keptPictures[i]) pictures[i] = keptPictures[i];
}

void GameDataTest::TearDown() {
    resetPlatformInput();
    setDataFolder(savedFolder_.c_str());
    for (int i = 0; i < pictureSlots; ++i) {
        if (pictures[i]) keptPictures[i] = pictures[i];
        pictures[i] = nullptr;
    }
}

void GameDataTest::useData(const char* folder) {
    setDataFolder((std::filesystem::path(BRASTOR_TEST_DATA) / folder).string().c_str());
}

void ScreenDriver::install() {
    setGameEventHook(driverEvent, this);
    headlessSetTickHook(driverTick, this);
}

void ScreenDriver::uninstall() {
    setGameEventHook(nullptr, nullptr);
    headlessSetTickHook(nullptr, nullptr);
}

void typeSpace() { pushTypedKey(' '); }

std::vector<std::string> shownLines(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!lines[i].empty()) shown.push_back(std::to_string(i) + ":" + lines[i]);
    return shown;
}
