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
// exit (routes.cpp), whatever else it found; --picture draws it all. Every
// pass adds to one list of findings (check.cpp), which the report numbers.
// Exit status: 0 good map (warnings allowed), 1 faults found, 2 a bad command
// line or a MAP that cannot be read, 3 no fault proven but the route search
// could neither reach an objective (or the exit) nor prove it out of reach.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "mapcheck/check.h"
#include "mapcheck/picture.h"
#include "platform/utf8_path.h"

namespace {

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
    CheckOptions options;
    options.mission = mission;
    options.routes = routes;
    options.search = routeOptions;
    options.search.keepTrails = !picture.empty();
    std::error_code ec;
    options.search.level = utf8OfPath(std::filesystem::absolute(pathOfUtf8(given), ec).lexically_normal());
    MapCheck check = checkMap(file, options);
    if (check.readable && !picture.empty()) {
        std::string why;
        if (!writePicture(picture, check.map, check.routes, check.findings, why))
            check.findings.add(Severity::error, picture + ": " + why);
    }
    printReport(check, std::cout);
    return exitStatus(check);
}
