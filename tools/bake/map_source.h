// The text sources as brastor-bake reads them, shared with brastor-mapcheck so
// that both tools read a level's ".map" alike: the colour lines of legends and
// palettes, the map grid, and the 24-bit BMP the game reads. Every fault goes
// to the caller's sink with its file and line (0 when it has none).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

using SourceFault = std::function<void(const std::filesystem::path& file, int line, const std::string& message)>;

// The letters every map source knows, with their colours (a source's legend adds to them).
const std::map<char, Rgb>& builtInMapLegend();

std::vector<std::string> readSourceLines(const std::filesystem::path& path);
std::vector<std::string> sourceWords(const std::string& line);
bool isBlankOrComment(const std::string& line);

// Parses "C R G B" or "C mask" into `into`; false (and a fault) when malformed.
bool parseColourLine(const std::filesystem::path& file, int lineNo, const std::string& line,
                     std::map<char, Rgb>& into, const SourceFault& fault);

struct MapSource {
    int width = 0;
    int height = 0;
    std::vector<std::vector<Rgb>> pixels;  // [y][x], y = 0 the top row
    bool usable = false;                   // the grid has its shape: every row as wide as the first
    int unknownCharacters = 0;             // rows with a character missing from the legend (read as empty)
};

// Reads a map source: an optional "legend" section of colour lines that adds
// to or replaces the built-in legend, then "map" and the rows. True when no
// fault was found.
bool readMapSource(const std::filesystem::path& src, MapSource& map, const SourceFault& fault);

// A plain 24-bit bottom-up BMP with the 54-byte header, rows padded to 4 bytes.
std::vector<std::uint8_t> encodeBmp(int width, int height, const std::vector<std::vector<Rgb>>& pixels);
