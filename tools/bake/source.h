// The baker's reading of its text sources, shared with the programs that take
// a map source (.map) where a map picture goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace bake {

namespace fs = std::filesystem;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

constexpr int kTextMaxColumns = 62;
constexpr int kTextMaxLines = 21;
constexpr int kMapMaxSize = 201;

// Prints "FILE:LINE: message" (no line when 0) to standard error and counts it.
void fault(const fs::path& file, int line, const std::string& message);
int faultCount();

// The map letters every map source starts from.
const std::map<char, Rgb>& builtInLegend();
std::vector<std::string> readLines(const fs::path& path);
std::vector<std::string> words(const std::string& line);
bool isBlankOrComment(const std::string& line);
// Parses "C R G B" or "C mask" into the map; false (and a fault) when malformed.
bool parseColourLine(const fs::path& file, int lineNo, const std::string& line, std::map<char, Rgb>& into);

// A plain 24-bit bottom-up BMP with the 54-byte header; rows are padded to 4
// bytes as the format requires. pixels[y][x], y = 0 at the top.
std::string bmpBytes(int width, int height, const std::vector<std::vector<Rgb>>& pixels);
// The same written to `path` (its folders made); false (and a fault) when it cannot be.
bool writeBmp(const fs::path& path, int width, int height, const std::vector<std::vector<Rgb>>& pixels);

// Reads a map source into the bytes of its map picture; false, with each fault
// reported, when the source is wrong.
bool mapSourceBmp(const fs::path& src, std::string& bmp);

}  // namespace bake
