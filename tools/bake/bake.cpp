// brastor-bake DATA_DIR OUT_DIR
//
// Turns the text sources below DATA_DIR into the files the game reads below
// OUT_DIR, keeping the relative folders:
//   NAME.pic  -> NAME.bmp   picture: palette plus character grid (below)
//   NAME.map  -> NAME.bmp   level map: character grid, one character per cell
//   NAME.txt  -> NAME.txt   mission text, checked to fit the text box
// Every written file name is lower case. Exit status 0 when everything baked,
// 1 when a source is wrong (each fault reported with file and line), 2 for a
// usage error.
//
// Picture source (.pic), line based, '#' starts a comment line:
//   size W H            size in pixels (not needed after "from")
//   from OTHER          start from another picture (path below DATA_DIR
//                       without ".pic"): its size, palette and pixels
//   mirror              flip left-right (after "from" and the pixel rows)
//   palette             then lines "C R G B" or "C mask" (magenta, the
//                       game's transparent colour); later entries replace
//                       earlier ones, so a "from" picture can be recoloured
//   pixels              then H rows of W palette characters (no comments
//                       from here on: '#' may be a palette character)
//
// Map source (.map): an optional "legend" section of "C R G B" lines that
// adds to or replaces the built-in legend below, then "map" and the rows,
// the first row being the top of the level (no comments after "map").
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::map<char, Rgb> palette;
    std::vector<std::string> rows;
};

constexpr int kTextMaxColumns = 62;
constexpr int kTextMaxLines = 21;
constexpr int kMapMaxSize = 201;

int faults = 0;

void fault(const fs::path& file, int line, const std::string& message) {
    std::cerr << file.string();
    if (line > 0) std::cerr << ":" << line;
    std::cerr << ": " << message << "\n";
    ++faults;
}

// Same letters as the test map builder, so test maps and game maps read alike.
const std::map<char, Rgb>& builtInLegend() {
    static const std::map<char, Rgb> legend{
        {'.', {255, 255, 255}}, {'#', {0, 0, 0}},       {'g', {64, 0, 0}},      {'r', {64, 0, 64}},
        {'f', {255, 128, 64}},  {'b', {0, 128, 128}},   {'B', {128, 128, 0}},   {'G', {128, 128, 128}},
        {'H', {128, 128, 64}},  {'d', {255, 0, 0}},     {'c', {128, 0, 255}},   {'k', {255, 255, 0}},
        {'K', {0, 0, 64}},      {'l', {255, 240, 0}},   {'L', {0, 50, 64}},     {'h', {50, 50, 50}},
        {'w', {128, 255, 128}}, {'s', {192, 192, 192}}, {'o', {255, 128, 0}},   {'i', {0, 64, 0}},
        {'v', {128, 128, 255}}, {'p', {0, 255, 0}},     {'P', {255, 0, 255}},   {'W', {0, 0, 255}},
        {'F', {0, 255, 255}},   {'T', {128, 0, 0}},     {'S', {64, 0, 128}},    {'N', {64, 128, 128}},
    };
    return legend;
}

std::vector<std::string> readLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> words(const std::string& line) {
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

// Parses "C R G B" or "C mask" into the map; false (and a fault) when malformed.
bool parseColourLine(const fs::path& file, int lineNo, const std::string& line, std::map<char, Rgb>& into) {
    const auto w = words(line);
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

// Reads a picture source, following "from" chains (depth-limited against loops).
bool loadPicture(const fs::path& root, const fs::path& file, Picture& pic, int depth = 0) {
    if (depth > 8) {
        fault(file, 0, "\"from\" chain too deep");
        return false;
    }
    if (!fs::exists(file)) {
        fault(file, 0, "picture source missing");
        return false;
    }
    const auto lines = readLines(file);
    enum class Section { head, palette, pixels } section = Section::head;
    bool mirror = false;
    bool hadPixels = false;
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        const std::string& line = lines[i];
        if (section == Section::pixels) {
            if (line.empty()) continue;
            rows.push_back(line);
            continue;
        }
        if (isBlankOrComment(line)) continue;
        const auto w = words(line);
        if (w[0] == "size" && w.size() == 3) {
            pic.width = std::atoi(w[1].c_str());
            pic.height = std::atoi(w[2].c_str());
        } else if (w[0] == "from" && w.size() == 2) {
            if (!loadPicture(root, root / (w[1] + ".pic"), pic, depth + 1)) return false;
        } else if (w[0] == "mirror" && w.size() == 1) {
            mirror = true;
        } else if (w[0] == "palette" && w.size() == 1) {
            section = Section::palette;
        } else if (w[0] == "pixels" && w.size() == 1) {
            section = Section::pixels;
            hadPixels = true;
        } else if (section == Section::palette) {
            if (!parseColourLine(file, lineNo, line, pic.palette)) return false;
        } else {
            fault(file, lineNo, "unknown line: " + line);
            return false;
        }
    }
    if (pic.width < 1 || pic.height < 1 || pic.width > 1024 || pic.height > 1024) {
        fault(file, 0, "missing or bad \"size\"");
        return false;
    }
    if (hadPixels) {
        if (static_cast<int>(rows.size()) != pic.height) {
            fault(file, 0, "expected " + std::to_string(pic.height) + " pixel rows, found " +
                               std::to_string(rows.size()));
            return false;
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (static_cast<int>(rows[r].size()) != pic.width) {
                fault(file, 0, "pixel row " + std::to_string(r + 1) + " has " + std::to_string(rows[r].size()) +
                                   " characters, expected " + std::to_string(pic.width));
                return false;
            }
        }
        pic.rows = rows;
    }
    if (pic.rows.empty()) {
        fault(file, 0, "no pixels (neither a \"pixels\" section nor \"from\")");
        return false;
    }
    if (mirror) {
        for (auto& row : pic.rows) row = std::string(row.rbegin(), row.rend());
    }
    return true;
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Writes a plain 24-bit bottom-up BMP with the 54-byte header; rows are
// padded to 4 bytes as the format requires. pixels[y][x], y = 0 at the top.
bool writeBmp(const fs::path& path, int width, int height, const std::vector<std::vector<Rgb>>& pixels) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t dataBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out;
    out.reserve(54 + dataBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + dataBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, dataBytes);
    put32(out, 2834);
    put32(out, 2834);
    put32(out, 0);
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            out.push_back(pixels[y][x].b);
            out.push_back(pixels[y][x].g);
            out.push_back(pixels[y][x].r);
        }
        for (std::uint32_t p = static_cast<std::uint32_t>(width) * 3; p < rowBytes; ++p) out.push_back(0);
    }
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file) {
        fault(path, 0, "cannot write");
        return false;
    }
    return true;
}

void bakePicture(const fs::path& root, const fs::path& src, const fs::path& dst) {
    Picture pic;
    if (!loadPicture(root, src, pic)) return;
    std::vector<std::vector<Rgb>> pixels(pic.height, std::vector<Rgb>(pic.width));
    for (int y = 0; y < pic.height; ++y) {
        for (int x = 0; x < pic.width; ++x) {
            const auto it = pic.palette.find(pic.rows[y][x]);
            if (it == pic.palette.end()) {
                fault(src, 0, std::string("character '") + pic.rows[y][x] + "' at pixel (" + std::to_string(x) +
                                  ", " + std::to_string(y) + ") is not in the palette");
                return;
            }
            pixels[y][x] = it->second;
        }
    }
    writeBmp(dst, pic.width, pic.height, pixels);
}

void bakeMap(const fs::path& src, const fs::path& dst) {
    std::map<char, Rgb> legend = builtInLegend();
    const auto lines = readLines(src);
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
            if (!parseColourLine(src, lineNo, line, legend)) return;
        } else {
            fault(src, lineNo, "unknown line: " + line);
            return;
        }
    }
    if (rows.empty()) {
        fault(src, 0, "no \"map\" section");
        return;
    }
    const int width = static_cast<int>(rows[0].size());
    const int height = static_cast<int>(rows.size());
    if (width > kMapMaxSize || height > kMapMaxSize) {
        fault(src, 0, "map is " + std::to_string(width) + " x " + std::to_string(height) + ", the game holds at most " +
                          std::to_string(kMapMaxSize) + " x " + std::to_string(kMapMaxSize));
    }
    std::vector<std::vector<Rgb>> pixels(height, std::vector<Rgb>(width));
    for (int y = 0; y < height; ++y) {
        if (static_cast<int>(rows[y].size()) != width) {
            fault(src, firstRowLine + y, "map row has " + std::to_string(rows[y].size()) + " cells, expected " +
                                             std::to_string(width));
            return;
        }
        for (int x = 0; x < width; ++x) {
            const auto it = legend.find(rows[y][x]);
            if (it == legend.end()) {
                fault(src, firstRowLine + y,
                      std::string("unknown map character '") + rows[y][x] + "' in column " + std::to_string(x));
                return;
            }
            pixels[y][x] = it->second;
        }
    }
    writeBmp(dst, width, height, pixels);
}

void bakeText(const fs::path& src, const fs::path& dst) {
    const auto lines = readLines(src);
    if (static_cast<int>(lines.size()) > kTextMaxLines) {
        fault(src, kTextMaxLines + 1, "the text box holds " + std::to_string(kTextMaxLines) + " lines");
        return;
    }
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<int>(lines[i].size()) > kTextMaxColumns) {
            fault(src, static_cast<int>(i) + 1,
                  "line has " + std::to_string(lines[i].size()) + " characters, the text box holds " +
                      std::to_string(kTextMaxColumns));
            return;
        }
        for (unsigned char c : lines[i]) {
            if (c < 32 || c > 126) {
                fault(src, static_cast<int>(i) + 1, "only printable ASCII characters are allowed");
                return;
            }
        }
        out += lines[i] + "\n";
    }
    std::error_code ec;
    fs::create_directories(dst.parent_path(), ec);
    std::ofstream file(dst, std::ios::binary | std::ios::trunc);
    file << out;
    if (!file) fault(dst, 0, "cannot write");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: brastor-bake DATA_DIR OUT_DIR\n";
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path outRoot = argv[2];
    if (!fs::is_directory(root)) {
        std::cerr << "brastor-bake: not a folder: " << root.string() << "\n";
        return 2;
    }
    std::vector<fs::path> sources;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) sources.push_back(entry.path());
    }
    std::set<std::string> written;
    int baked = 0;
    for (const auto& src : sources) {
        const fs::path rel = fs::relative(src, root);
        const std::string ext = rel.extension().string();
        if (ext != ".pic" && ext != ".map" && ext != ".txt") continue;
        const std::string relText = rel.generic_string();
        for (char c : relText) {
            if (c >= 'A' && c <= 'Z') {
                fault(src, 0, "data file names are lower case");
                break;
            }
        }
        fs::path dst = outRoot / rel;
        if (ext != ".txt") dst.replace_extension(".bmp");
        if (!written.insert(dst.generic_string()).second) {
            fault(src, 0, "two sources write " + dst.string());
            continue;
        }
        if (ext == ".pic") bakePicture(root, src, dst);
        if (ext == ".map") bakeMap(src, dst);
        if (ext == ".txt") bakeText(src, dst);
        ++baked;
    }
    if (faults > 0) {
        std::cerr << "brastor-bake: " << faults << " fault(s)\n";
        return 1;
    }
    std::cout << "brastor-bake: " << baked << " files written to " << outRoot.string() << "\n";
    return 0;
}
