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

#include "bake/map_source.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::map<char, Rgb> palette;
    std::vector<std::string> rows;
};

constexpr int kTextMaxColumns = 62;
constexpr int kTextMaxLines = 21;

int faults = 0;

void fault(const fs::path& file, int line, const std::string& message) {
    std::cerr << utf8OfPath(file);
    if (line > 0) std::cerr << ":" << line;
    std::cerr << ": " << message << "\n";
    ++faults;
}
const SourceFault sourceFault = fault;

bool writeBmp(const fs::path& path, int width, int height, const std::vector<std::vector<Rgb>>& pixels) {
    const std::vector<std::uint8_t> out = encodeBmp(width, height, pixels);
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
    const auto lines = readSourceLines(file);
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
        const auto w = sourceWords(line);
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
            if (!parseColourLine(file, lineNo, line, pic.palette, sourceFault)) return false;
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
    MapSource map;
    readMapSource(src, map, sourceFault);
    if (map.usable && map.unknownCharacters == 0) writeBmp(dst, map.width, map.height, map.pixels);
}

void bakeText(const fs::path& src, const fs::path& dst) {
    const auto lines = readSourceLines(src);
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
    constexpr const char* usage = "usage: brastor-bake DATA_DIR OUT_DIR\n";
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << usage
                  << "Turns the text sources below DATA_DIR into the files the game reads, below\n"
                     "OUT_DIR in the same folders: each picture source NAME.pic and map source\n"
                     "NAME.map into NAME.bmp, each mission text NAME.txt checked to fit the text\n"
                     "box and copied. Exit status 0 when everything baked, 1 when a source is\n"
                     "wrong (each fault with its file and line), 2 for a usage error.\n";
        return 0;
    }
    if (argc != 3) {
        std::cerr << usage;
        return 2;
    }
    const fs::path root = pathOfUtf8(argv[1]);
    const fs::path outRoot = pathOfUtf8(argv[2]);
    if (!fs::is_directory(root)) {
        std::cerr << "brastor-bake: not a folder: " << utf8OfPath(root) << "\n";
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
            fault(src, 0, "two sources write " + utf8OfPath(dst));
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
    std::cout << "brastor-bake: " << baked << " files written to " << utf8OfPath(outRoot) << "\n";
    return 0;
}
