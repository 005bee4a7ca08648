#include "fuzz_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "shell/game.h"

namespace fs = std::filesystem;

namespace {
std::string folder;

void removeFolder() {
    std::error_code error;
    if (!folder.empty()) fs::remove_all(folder, error);
}
}  // namespace

void fuzzUseDataFolder() {
    if (folder.empty()) {
        std::error_code error;
        const fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm")
                                                                  : fs::temp_directory_path();
        std::string pattern = (base / "brastor-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("brastor fuzz: mkdtemp");
            std::abort();
        }
        folder = pattern;
        std::atexit(removeFolder);
    }
    setDataFolder(folder.c_str());
}

void fuzzWriteDataFile(const char* relative, const std::uint8_t* data, std::size_t size) {
    const fs::path path = fs::path(folder) / relative;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || (size > 0 && std::fwrite(data, 1, size, out) != size) || std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

std::string fuzzDataPath(const char* relative) { return (fs::path(folder) / relative).string(); }

void fuzzTypeSpaceEveryTick(void*) { pushTypedKey(' '); }

void fuzzStartGame() {
    fuzzUseDataFolder();
    headlessReset();
    headlessSetTickHook(fuzzTypeSpaceEveryTick, nullptr);
    startUp(1);
}

void fuzzClearInput() {
    clearKeys();
    clearTypedKeys();
}

std::uint32_t FuzzRandom::next() {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<std::uint32_t>(state >> 33);
}

// FNV-1a: any change of the input changes the keys of its run.
std::uint64_t fuzzHash(const std::uint8_t* data, std::size_t size) {
    std::uint64_t h = 1469598103934665603u;
    for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211u;
    return h;
}
