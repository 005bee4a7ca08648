#include "playtest/level.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "bake/map_source.h"
#include "mapcheck/structure.h"
#include "platform/host.h"
#include "platform/utf8_path.h"
#include "world/catalogue.h"

namespace fs = std::filesystem;

namespace {

bool hasExtension(const fs::path& path, const char* extension) {
    std::string ext = utf8OfPath(path.extension());
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == extension;
}

bool startsLikeBmp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    return in && magic[0] == 'B' && magic[1] == 'M';
}

// The map file of a bare map: a picture as it is, a source baked into memory;
// `bmp` gets the picture's bytes.
bool chooseMapFile(const fs::path& path, MissionSource& source, std::vector<std::uint8_t>& bmp, std::string& error) {
    source.mapFile = utf8OfPath(path);
    if (hasExtension(path, ".map")) {
        MapSource map;
        const SourceFault printFault = [](const fs::path& file, int line, const std::string& message) {
            std::fprintf(stderr, "%s", utf8OfPath(file).c_str());
            if (line > 0) std::fprintf(stderr, ":%d", line);
            std::fprintf(stderr, ": %s\n", message.c_str());
        };
        if (!readMapSource(path, map, printFault) || !map.usable) {
            error = "the map source '" + utf8OfPath(path) + "' has faults";
            return false;
        }
        bmp = encodeBmp(map.width, map.height, map.pixels);
        serveFileFromMemory(source.mapFile, std::string(bmp.begin(), bmp.end()));
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read '" + utf8OfPath(path) + "'";
        return false;
    }
    if (!startsLikeBmp(path)) {
        error = "'" + utf8OfPath(path) + "' is neither a BMP picture nor a .map source";
        return false;
    }
    bmp.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Mission 2's rules for a map of hostages without generators, mission 1's otherwise.
int missionOfMap(const std::string& mapFile) {
    loadLevelMapFile(mapFile.c_str());
    const bool generators = countTile(tileCode::generator1) + countTile(tileCode::generator3) > 0;
    const bool hostages = countTile(tileCode::hostage) > 0;
    std::memset(&mapGrid, 0, sizeof mapGrid);
    return hostages && !generators ? 2 : 1;
}

}  // namespace

bool chooseLevel(const std::string& level, int mission, MissionSource& source, std::string& error) {
    std::error_code ec;
    const fs::path path = fs::absolute(pathOfUtf8(level), ec).lexically_normal();
    source.folder.clear();
    std::vector<std::uint8_t> bmp;
    if (fs::is_directory(path, ec)) {
        source.folder = utf8OfPath(path / "");
        const fs::path picture = path / "map.bmp", text = path / "map.map";
        if (fs::is_regular_file(picture, ec)) {
            if (!chooseMapFile(picture, source, bmp, error)) return false;
        } else if (fs::is_regular_file(text, ec)) {
            if (!chooseMapFile(text, source, bmp, error)) return false;
        } else {
            error = "the folder '" + level + "' holds no map.bmp (nor map.map)";
            return false;
        }
    } else if (fs::is_regular_file(path, ec)) {
        if (!chooseMapFile(path, source, bmp, error)) return false;
    } else if (fs::exists(path, ec)) {
        error = "cannot read '" + level + "': neither a folder nor a file";
        return false;
    } else {
        error = "no level '" + level + "' (a mission folder, a map picture or a .map source)";
        return false;
    }
    source.rules = mission != 0 ? mission : missionOfMap(source.mapFile);
    // A map the checker refuses for its structure would play as something else
    // (a player in mid-air, a mission that cannot be won): refused with its words.
    Findings found;
    checkStructure(bmp, source.rules, found);
    if (const std::string fault = found.firstError(); !fault.empty()) {
        error = "'" + level + "' cannot be played: " + fault + " (brastor-mapcheck names every fault)";
        return false;
    }
    return true;
}
