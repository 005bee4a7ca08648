// brastor-route-oracle: the route checker against the exhaustive search on
// maps drawn from a range of seeds (or on one map picture), with a tally of
// the verdicts. Any disagreement is printed with its map and report, and the
// run fails; with --strict, so does a target the checker left inconclusive
// that the oracle reaches.
//   brastor-route-oracle [--seeds FIRST LAST] [--frames N] [--max-states N] [--every-key]
//                        [--min-matched N] [--strict] [--verbose]
//   brastor-route-oracle [--frames N] [--max-states N] MAP.bmp MISSION
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/headless/headless.h"
#include "route_oracle.h"
#include "shell/game.h"

namespace {

struct Tally {
    int maps = 0, overBudget = 0, faults = 0;
    int reached = 0, confirmed = 0, unreachable = 0, inconclusive = 0;
    int inconclusiveReached = 0, inconclusiveNotFound = 0;
    long long states = 0;
};

// Compares one map; prints it in full when it disagrees (or when `verbose`).
void compare(const std::string& file, const std::string& name, const std::string& mapText, int mission, int frames,
             long long maxStates, bool everyKey, bool strict, bool verbose, std::uint64_t seed, Tally& tally) {
    const std::string record = checkOracleRecord(file, mission, 600, seed);
    const OracleComparison c = compareWithOracle(file, mission, frames, maxStates, everyKey);
    ++tally.maps;
    tally.states += c.states;
    if (!c.complete) ++tally.overBudget;
    for (const OracleTarget& t : c.targets) {
        if (t.checker == Verdict::reached) ++tally.reached;
        if (t.checker == Verdict::reached && t.oracleFrames > 0 && t.oracleFrames <= t.checkerFrames) ++tally.confirmed;
        if (t.checker == Verdict::unreachable) ++tally.unreachable;
        if (t.checker != Verdict::inconclusive) continue;
        ++tally.inconclusive;
        if (t.oracleFrames > 0)
            ++tally.inconclusiveReached;
        else if (c.complete)
            ++tally.inconclusiveNotFound;
    }
    std::string fault = c.fault + (record.empty() ? "" : "the oracle's record is not exact: " + record + "\n");
    // Strict: the checker must also reach what the oracle reaches.
    for (const OracleTarget& t : c.targets)
        if (strict && t.checker == Verdict::inconclusive && t.oracleFrames > 0)
            fault += t.name + ": the checker is inconclusive, the game reaches it in " +
                     std::to_string(t.oracleFrames) + " frames\n";
    if (!fault.empty()) ++tally.faults;
    if (fault.empty() && !verbose) return;
    std::printf("%s %s: %lld states%s, %d of %d frames searched whole\n%s", fault.empty() ? "----" : "FAULT", name.c_str(), c.states,
                c.complete ? "" : " (over the budget)", c.searched, c.frameBound, mapText.c_str());
    for (const OracleTarget& t : c.targets)
        std::printf("  %-26s checker %-12s %5d   oracle %5d\n", t.name.c_str(),
                    t.checker == Verdict::reached ? "reached" : t.checker == Verdict::unreachable ? "unreachable"
                                                                                                 : "inconclusive",
                    t.checkerFrames, t.oracleFrames);
    std::printf("%s%s\n", c.report.c_str(), fault.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    long long first = 1, last = 50, maxStates = 400000;
    int frames = 400;
    int minMatched = 0;  // fewer routes matched fails the run: the search grew too weak to test much
    bool verbose = false, everyKey = false, strict = false;
    std::string file;
    int mission = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seeds" && i + 2 < argc) {
            first = std::atoll(argv[++i]);
            last = std::atoll(argv[++i]);
        } else if (a == "--frames" && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else if (a == "--max-states" && i + 1 < argc) {
            maxStates = std::atoll(argv[++i]);
        } else if (a == "--min-matched" && i + 1 < argc) {
            minMatched = std::atoi(argv[++i]);
        } else if (a == "--strict") {
            strict = true;
        } else if (a == "--every-key") {
            everyKey = true;
        } else if (a == "--verbose") {
            verbose = true;
        } else if (file.empty() && a[0] != '-') {
            file = a;
        } else if (mission < 0 && a[0] != '-') {
            mission = std::atoi(a.c_str());
        } else {
            std::fprintf(stderr, "usage: %s [--seeds FIRST LAST] [--frames N] [--max-states N] [--every-key] [--min-matched N] "
                         "[--strict] [--verbose] [MAP.bmp MISSION]\n",
                         argv[0]);
            return 2;
        }
    }
    headlessReset();
    startUp(1);
    Tally tally;
    if (!file.empty()) {
        compare(file, file, "", mission < 0 ? 0 : mission, frames, maxStates, everyKey, strict, true, 1, tally);
    } else {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("brastor-oracle-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string map = (folder / "map.bmp").string();
        for (long long seed = first; seed <= last; ++seed) {
            const OracleMap m = generateOracleMap(static_cast<std::uint64_t>(seed));
            const std::vector<std::uint8_t> picture = oracleMapPicture(m);
            std::ofstream(map, std::ios::binary).write(reinterpret_cast<const char*>(picture.data()),
                                                       static_cast<std::streamsize>(picture.size()));
            compare(map, "seed " + std::to_string(seed), oracleMapText(m), m.mission, frames, maxStates, everyKey, strict, verbose,
                    static_cast<std::uint64_t>(seed), tally);
        }
        std::filesystem::remove_all(folder);
    }
    std::printf("oracle: %d maps, %lld states, %d over the budget of %lld states; routes of at most %d frames\n",
                tally.maps, tally.states, tally.overBudget, maxStates, frames);
    std::printf("checker: %d reached (the oracle matches %d, the others lie past what it searched whole), "
                "%d unreachable\n",
                tally.reached, tally.confirmed, tally.unreachable);
    std::printf("inconclusive: %d, of which the oracle reaches %d and finds no route to %d\n", tally.inconclusive,
                tally.inconclusiveReached, tally.inconclusiveNotFound);
    if (tally.faults) std::printf("FAULTS on %d maps\n", tally.faults);
    if (tally.confirmed < minMatched)
        std::printf("FAULT: the oracle matched %d of the checker's routes, fewer than %d\n", tally.confirmed, minMatched);
    return tally.faults || tally.confirmed < minMatched ? 1 : 0;
}
