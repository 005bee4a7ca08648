#include "bake/map_source.h"

#include <fstream>
#include <sstream>

#include "platform/bmp_format.h"
#include "world/catalogue.h"

namespace fs = std::filesystem;

// The game's own letters, so map sources and test maps read alike; '.' is empty (white).
const std::map<char, Rgb>& builtInMapLegend() {
    static const std::map<char, Rgb> legend = [] {
        std::map<char, Rgb> letters{{emptyLetter, {255, 255, 255}}};
        for (const MapColour& c : mapColours) letters[c.letter] = {c.r, c.g, c.b};
        return letters;
    }();
    return legend;
}

std::vector<std::string> readSourceLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> sourceWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

bool isBlankOrComment(const std::string& line) {
    const auto first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#';
}

bool parseColourLine(const fs::path& file, int lineNo, const std::string& line, std::map<char, Rgb>& into,
                     const SourceFault& fault) {
    const auto w = sourceWords(line);
    if (w.size() == 2 && w[0].size() == 1 && w[1] == "mask") {
        into[w[0][0]] = {255, 0, 255};
        return true;
    }
    if (w.size() == 4 && w[0].size() == 1) {
        int c[3];
        for (int i = 0; i < 3; ++i) {
            try {
                std::size_t used = 0;
                c[i] = std::stoi(w[i + 1], &used);
                if (used != w[i + 1].size() || c[i] < 0 || c[i] > 255) throw std::out_of_range("");
            } catch (const std::exception&) {
                fault(file, lineNo, "colour component must be 0 to 255: " + w[i + 1]);
                return false;
            }
        }
        into[w[0][0]] = {static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
                         static_cast<std::uint8_t>(c[2])};
        return true;
    }
    fault(file, lineNo, "expected \"C R G B\" or \"C mask\": " + line);
    return false;
}

bool readMapSource(const fs::path& src, MapSource& map, const SourceFault& fault) {
    map = MapSource{};
    if (!fs::is_regular_file(src) || !std::ifstream(src, std::ios::binary)) {
        fault(src, 0, "cannot open the map source");
        return false;
    }
    std::map<char, Rgb> legend = builtInMapLegend();
    const auto lines = readSourceLines(src);
    bool inLegend = false;
    bool inMap = false;
    std::vector<std::string> rows;
    int firstRowLine = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        const std::string& line = lines[i];
        if (inMap) {
            if (line.empty()) continue;
            if (rows.empty()) firstRowLine = lineNo;
            rows.push_back(line);
            continue;
        }
        if (isBlankOrComment(line)) continue;
        if (line == "legend") {
            inLegend = true;
        } else if (line == "map") {
            inMap = true;
        } else if (inLegend) {
            if (!parseColourLine(src, lineNo, line, legend, fault)) return false;
        } else {
            fault(src, lineNo, "unknown line: " + line);
            return false;
        }
    }
    if (rows.empty()) {
        fault(src, 0, "no \"map\" section");
        return false;
    }
    bool good = true;
    map.width = static_cast<int>(rows[0].size());
    map.height = static_cast<int>(rows.size());
    if (map.width > gridSize || map.height > gridSize) {
        fault(src, 0, "map is " + std::to_string(map.width) + " x " + std::to_string(map.height) +
                          ", the game holds at most " + std::to_string(gridSize) + " x " +
                          std::to_string(gridSize));
        good = false;
    }
    map.pixels.assign(map.height, std::vector<Rgb>(map.width, Rgb{255, 255, 255}));
    for (int y = 0; y < map.height; ++y) {
        if (static_cast<int>(rows[y].size()) != map.width) {
            fault(src, firstRowLine + y,
                  "map row has " + std::to_string(rows[y].size()) + " cells, expected " + std::to_string(map.width));
            return false;
        }
        bool rowReported = false;
        for (int x = 0; x < map.width; ++x) {
            const auto it = legend.find(rows[y][x]);
            if (it != legend.end()) {
                map.pixels[y][x] = it->second;
            } else if (!rowReported) {
                // One fault a row is enough to find them; the cell reads as empty.
                fault(src, firstRowLine + y,
                      std::string("unknown map character '") + rows[y][x] + "' in column " + std::to_string(x + 1));
                rowReported = true;
                ++map.unknownCharacters;
                good = false;
            }
        }
    }
    map.usable = true;
    return good;
}

std::vector<std::uint8_t> encodeBmp(int width, int height, const std::vector<std::vector<Rgb>>& pixels) {
    return encodeBmp24(width, height, [&](int x, int y) {
        const Rgb& c = pixels[y][x];
        return std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
    });
}
