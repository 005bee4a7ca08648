// The route checker against the exhaustive search (route_oracle.h) on maps
// built from the input: each byte is one choice of the map generator (size,
// ledges, the start, the changing cells, pickups, hazards, the mission);
// past the input's end the choices come from a sequence seeded by it. Any
// disagreement aborts with the map, the report and each verdict side by
// side. The search is bounded in frames and states so that every input ends
// in about a second under the sanitizers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "route_oracle.h"

namespace {
constexpr int frames = 400;
constexpr long long maxStates = 3000;
constexpr int recordFrames = 100;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzStartGame();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    FuzzRandom rest{fuzzHash(data, size)};
    const OracleMap map = generateOracleMap([&]() -> std::uint64_t {
        if (at < size) return data[at++];
        return rest.next();
    });
    const std::vector<std::uint8_t> picture = oracleMapPicture(map);
    fuzzWriteDataFile("oracle/map.bmp", picture.data(), picture.size());
    const std::string file = fuzzDataPath("oracle/map.bmp");
    const std::string record = checkOracleRecord(file, map.mission, recordFrames, fuzzHash(data, size));
    const OracleComparison c = compareWithOracle(file, map.mission, frames, maxStates, false);
    if (c.fault.empty() && record.empty()) return 0;
    std::fprintf(stderr, "%s%s", oracleMapText(map).c_str(), c.report.c_str());
    for (const OracleTarget& t : c.targets)
        std::fprintf(stderr, "  %s: checker %s %d frames, oracle %d frames\n", t.name.c_str(),
                     t.checker == Verdict::reached ? "reached" : t.checker == Verdict::unreachable ? "unreachable"
                                                                                                 : "inconclusive",
                     t.checkerFrames, t.oracleFrames);
    std::fprintf(stderr, "%s%s\n", c.fault.c_str(), record.c_str());
    std::abort();
}
