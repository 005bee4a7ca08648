// Shared by the fuzz targets: a private data folder in RAM that the game's
// file reading is pointed at, so every input reaches the loaders as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Creates the folder once per process (under /dev/shm when it exists, else the
// temporary folder), points setDataFolder at it and removes it at exit.
void fuzzUseDataFolder();
// Writes `size` bytes as the data file `relative` ("level1/map.bmp"), making
// its folders; aborts when the file cannot be written.
void fuzzWriteDataFile(const char* relative, const std::uint8_t* data, std::size_t size);
// The full path of the data file `relative`.
std::string fuzzDataPath(const char* relative);

// Tick hook for the headless platform: types a Space at every sleep, so the
// title screen and the text boxes return at their next poll.
void fuzzTypeSpaceEveryTick(void* user);

// Once per process, for the targets that run the game: the data folder, a clean
// headless platform whose waiting screens return at once, and the start-up.
void fuzzStartGame();
// Before each input: no held keys and nothing typed.
void fuzzClearInput();

// A small deterministic generator for a run's keys, seeded from the input.
struct FuzzRandom {
    std::uint64_t state;
    std::uint32_t next();
};
std::uint64_t fuzzHash(const std::uint8_t* data, std::size_t size);
