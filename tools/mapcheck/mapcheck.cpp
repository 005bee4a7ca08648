// brastor-mapcheck [--mission 1|2] [--no-routes] [--strict] [--emit-script DIR] [--picture FILE] MAP
//
// Checks a level map, the picture ("map.bmp") or its text source (".map", read
// as brastor-bake reads it), against what the game can play: size and table
// limits, exactly one start marker standing two rows above a floor, an open
// start column for the exit beam, the mission's objective items, colours that
// are near a map colour without matching it (a paint program's smoothing), all
// in structure.cpp; and fair play (rules.cpp). The mission comes from
// --mission or from the map's contents, as the level tester chooses it: 2 for
// hostages and no generator, else 1. MAP may be a mission folder. Then, unless
// --no-routes, it looks for a route to every objective, key, pickup and the
// exit (routes.cpp), whatever else it found; --picture draws it all.
// Exit status: 0 good map (warnings allowed), 1 faults found, 2 a bad command
// line or a MAP that cannot be read, 3 no fault proven but the route search
// could neither reach an objective (or the exit) nor prove it out of reach.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bake/map_source.h"
#include "mapcheck/picture.h"
#include "mapcheck/routes.h"
#include "mapcheck/rules.h"
#include "mapcheck/structure.h"
#include "platform/utf8_path.h"

namespace {

int errors = 0;
int warnings = 0;
int inconclusive = 0;  // objectives or the exit the route search could neither reach nor prove out of reach
std::vector<Finding> findings;  // the numbered findings with a cell

void error(const std::string& message) {
    std::cout << "error: " << message << "\n";
    ++errors;
}
// A fault seen at a cell: numbered, so that the picture can circle it.
void errorAt(int x, int y, const std::string& message) {
    const int number = static_cast<int>(findings.size()) + 1;
    findings.push_back(Finding{number, x, y});
    std::cout << "error [" << number << "]: " << message << "\n";
    ++errors;
}
void warningAt(int x, int y, const std::string& message) {
    const int number = static_cast<int>(findings.size()) + 1;
    findings.push_back(Finding{number, x, y});
    std::cout << "warning [" << number << "]: " << message << "\n";
    ++warnings;
}
void warning(const std::string& message) {
    std::cout << "warning: " << message << "\n";
    ++warnings;
}

const char* const kSynopsis =
    "usage: brastor-mapcheck [--mission 1|2] [--no-routes] [--strict] [--emit-script DIR] [--picture FILE]\n"
    "                        [--max-states N] [--seeds N] MAP\n";
const char* const kOptions =
    "MAP is a map picture (map.bmp), its text source (.map) or a mission folder holding\n"
    "either. Checks its limits and\n"
    "fair play, then finds a route to every objective, key, pickup and the exit beam,\n"
    "naming the reason for each one out of reach.\n"
    "  --mission 1|2      the mission's rules (default: 2 for a map with hostages and no\n"
    "                     generator, else 1)\n"
    "  --no-routes        the quick check alone, without the route search\n"
    "  --strict           an unreachable key or pickup is a fault, not a warning\n"
    "  --emit-script DIR  a proof for every reached target: a script that plays its route\n"
    "                     with brastor-headless --level MAP or brastor-playtest --replay\n"
    "  --picture FILE     a PNG of the level: the reached area, the routes, the findings\n"
    "  --max-states N     the route search's budget of player states (default 2000000000);\n"
    "                     past it, what is not yet reached is inconclusive\n"
    "  --seeds N          replay every proof with the enemies on seeds 1 to N (default 100;\n"
    "                     0: none)\n"
    "  -h, --help         print this help and exit\n"
    "exit status: 0 good map (warnings allowed), 1 faults found, 2 a bad option or a MAP\n"
    "that cannot be read, 3 no fault proven but an objective or the exit is inconclusive\n";

// A bad command line or a MAP that cannot be read: the reason and the synopsis, status 2.
int usage(const std::string& message) {
    std::cerr << "brastor-mapcheck: " << message << "\n" << kSynopsis;
    return 2;
}

// The map file MAP names: itself, or a mission folder's map.bmp (else its
// map.map). Empty, with the reason in `problem`, when there is nothing to read.
std::string mapFileOf(const std::string& given, std::string& problem) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path = pathOfUtf8(given);
    if (fs::is_directory(path, ec)) {
        for (const char* name : {"map.bmp", "map.map"}) {
            const fs::path inside = path / name;
            if (fs::is_regular_file(inside, ec)) return utf8OfPath(inside);
        }
        problem = "the folder '" + given + "' holds no map.bmp (nor map.map)";
        return "";
    }
    if (!fs::exists(path, ec)) {
        problem = "no map '" + given + "' (a map picture, a .map source or a mission folder)";
        return "";
    }
    std::ifstream in(path, std::ios::binary);
    if (!fs::is_regular_file(path, ec) || !in) {
        problem = "cannot read '" + given + "'" + (errno != 0 ? std::string(": ") + std::strerror(errno) : "");
        return "";
    }
    return given;
}

// The map as the game's file: the picture itself, or the text source baked in
// memory (its faults reported with file and line). False when nothing to check.
bool readMap(const std::string& file, std::vector<std::uint8_t>& data, bool& source) {
    std::string ext = utf8OfPath(pathOfUtf8(file).extension());
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    source = ext == ".map";
    if (source) {
        MapSource map;
        readMapSource(pathOfUtf8(file), map, [](const std::filesystem::path& at, int line, const std::string& message) {
            error(utf8OfPath(at) + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message);
        });
        if (!map.usable) return false;
        data = encodeBmp(map.width, map.height, map.pixels);
        return true;
    }
    std::ifstream in(pathOfUtf8(file), std::ios::binary);
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Runs the route search on the map; a text source is baked to a file first,
// since the search loads the map with the game's own loader.
RouteResult searchRoutes(const std::string& file, bool source, const std::vector<std::uint8_t>& data,
                         RouteOptions options) {
    namespace fs = std::filesystem;
    options.firstNumber = static_cast<int>(findings.size()) + 1;
    if (!source) return checkRoutes(file, options, std::cout);
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec) / ("brastor-mapcheck-" + std::to_string(getpid()));
    fs::create_directories(folder, ec);
    const fs::path baked = folder / "map.bmp";
    {
        std::ofstream out(baked, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    RouteResult result = checkRoutes(utf8OfPath(baked), options, std::cout);
    fs::remove_all(folder, ec);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    int mission = 0;
    std::string given;
    std::string picture;
    bool routes = true;
    RouteOptions routeOptions;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kSynopsis << kOptions;
            return 0;
        }
        if (arg == "--routes") {
            // The search runs by default; the old switch is still accepted.
        } else if (arg == "--no-routes") {
            routes = false;
        } else if (arg == "--strict") {
            routeOptions.strict = true;
        } else if (arg == "--emit-script" && i + 1 < argc) {
            routeOptions.scriptDir = argv[++i];
        } else if (arg == "--picture" && i + 1 < argc) {
            picture = argv[++i];
        } else if (arg == "--max-states" && i + 1 < argc) {
            const std::string value = argv[++i];
            char* end = nullptr;
            errno = 0;
            const long long n = std::strtoll(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || n < 1)
                return usage("bad value '" + value + "' for --max-states (a count above 0)");
            routeOptions.maxStates = n;
        } else if (arg == "--seeds" && i + 1 < argc) {
            const std::string value = argv[++i];
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || n < 0 || n > 100000)
                return usage("bad value '" + value + "' for --seeds (a count from 0)");
            routeOptions.enemySeeds = static_cast<int>(n);
        } else if (arg == "--mission" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value != "1" && value != "2") return usage("bad value '" + value + "' for --mission (1 or 2)");
            mission = value[0] - '0';
        } else if (!arg.empty() && arg[0] == '-') {
            return usage("unknown option '" + arg + "'");
        } else if (given.empty()) {
            given = arg;
        } else {
            return usage("more than one MAP: '" + arg + "'");
        }
    }
    if (given.empty()) return usage("no MAP given");
    std::string problem;
    errno = 0;
    const std::string file = mapFileOf(given, problem);
    if (file.empty()) return usage(problem);
    if (!routeOptions.scriptDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(pathOfUtf8(routeOptions.scriptDir), ec);
        if (!std::filesystem::is_directory(pathOfUtf8(routeOptions.scriptDir), ec))
            return usage("--emit-script: cannot make the folder '" + routeOptions.scriptDir + "'");
    }

    std::cout << file << ":\n";
    std::vector<std::uint8_t> data;
    bool source = false;
    if (!readMap(file, data, source)) return 1;
    const MapStructure map = checkStructure(data, mission);
    for (const StructureFinding& f : map.findings) {
        if (f.x < 0)
            f.error ? error(f.message) : warning(f.message);
        else
            f.error ? errorAt(f.x, f.y, f.message) : warningAt(f.x, f.y, f.message);
    }
    if (!map.readable) return 1;
    mission = map.mission;
    for (const RuleFault& fault : checkPlayRules(map.play)) errorAt(fault.x, fault.y, fault.message);

    RouteResult found;
    if (routes && map.starts > 0) {
        routeOptions.mission = mission;
        routeOptions.keepTrails = !picture.empty();
        routeOptions.exitBlocked = map.beamBlocked;
        std::error_code ec;
        routeOptions.level = utf8OfPath(std::filesystem::absolute(pathOfUtf8(given), ec).lexically_normal());
        found = searchRoutes(file, source, data, routeOptions);
        errors += found.errors;
        warnings += found.warnings;
        inconclusive += found.inconclusive;
        findings.insert(findings.end(), found.findings.begin(), found.findings.end());
    } else if (routes) {
        std::cout << "routes not searched: no player start marker\n";
    }
    if (!picture.empty()) {
        std::string why;
        if (!writePicture(picture, map.play, map.startX, map.startY, mission, found, findings, why)) {
            std::cout << "error: " << picture << ": " << why << "\n";
            ++errors;
        }
    }

    std::cout << map.enemies << " enemies, " << map.solidCells << " solid cells, " << map.generators
              << " generators, " << map.hostages << " hostages; " << errors << " error(s), " << warnings
              << " warning(s)";
    if (inconclusive > 0) std::cout << ", " << inconclusive << " inconclusive";
    std::cout << "\n";
    return errors > 0 ? 1 : inconclusive > 0 ? 3 : 0;
}
