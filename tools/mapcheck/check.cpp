#include "mapcheck/check.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <vector>

#include "bake/map_source.h"
#include "platform/utf8_path.h"

namespace {

// The map as the game's file: the picture itself, or the text source baked in
// memory, its faults told as errors with file and line. False when there is
// no grid to check.
bool readMap(const std::string& file, const std::string& shownName, std::vector<std::uint8_t>& bmp,
             Findings& findings) {
    std::string ext = utf8OfPath(pathOfUtf8(file).extension());
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".map") {
        MapSource map;
        readMapSource(pathOfUtf8(file), map, [&](const std::filesystem::path& at, int line, const std::string& message) {
            const std::string shown = shownName.empty() ? utf8OfPath(at) : shownName;
            findings.add(Severity::error, shown + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message);
        });
        if (!map.usable) return false;
        bmp = encodeBmp(map.width, map.height, map.pixels);
        return true;
    }
    std::ifstream in(pathOfUtf8(file), std::ios::binary);
    bmp.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

MapCheck checkMap(const std::string& file, const CheckOptions& options) {
    MapCheck check;
    std::vector<std::uint8_t> bmp;
    if (!readMap(file, options.shownName, bmp, check.findings)) return check;
    check.map = checkStructure(bmp, options.mission, check.findings);
    check.readable = check.map.readable;
    if (!check.readable) return check;
    checkPlayRules(check.map.play, check.findings);
    if (!options.routes) return check;
    if (check.map.starts == 0) {
        check.findings.add(Severity::note, "routes not searched: no player start marker");
        return check;
    }
    RouteOptions search = options.search;
    search.mission = check.map.mission;
    search.exitBlocked = check.map.beamBlocked;
    check.routes = checkRoutes(bmp, search, check.findings);
    return check;
}

void printReport(const MapCheck& check, std::ostream& out) {
    check.findings.print(out);
    if (!check.readable) return;
    const MapStructure& map = check.map;
    const int inconclusive = check.findings.count(Severity::unresolved);
    out << map.enemies << " enemies, " << map.solidCells << " solid cells, " << map.generators << " generators, "
        << map.hostages << " hostages; " << check.findings.count(Severity::error) << " error(s), "
        << check.findings.count(Severity::warning) << " warning(s)";
    if (inconclusive > 0) out << ", " << inconclusive << " inconclusive";
    out << "\n";
}

int exitStatus(const MapCheck& check) {
    if (!check.readable || check.findings.count(Severity::error) > 0) return 1;
    return check.findings.count(Severity::unresolved) > 0 ? 3 : 0;
}
