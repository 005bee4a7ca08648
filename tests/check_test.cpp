// The map checker's one list of findings, on a map with findings from every
// pass: the report numbers them 1, 2, ... in the order told (the source, the
// structure, the play rules, the route search), each number at its finding's
// cell and in the picture's circle there, and the summary counts every
// finding, those summed up by "and N more" too.
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "mapcheck/check.h"

namespace {

// An 'x' the source reader does not know (read as empty), a generator half
// hidden in a wall and enclosed, a walker facing a scenery block, a generator
// beyond the beam's charge, twelve enclosed diamonds (ten told one by one).
const char* const kEveryPass =
    "map\n"
    "....................x......\n"
    "#.........G...............#\n"
    "#.........................#\n"
    "#.........................#\n"
    "#.........................#\n"
    "#.........................#\n"
    "#.Pd....Wo................#\n"
    "#.........................#\n"
    "###########################\n"
    "#d#d#d#d#d#d#d#d#d#d#d#d#H#\n"
    "###########################\n";

struct Numbered {
    int number;
    std::pair<int, int> cell;
    std::string lineStart;  // the report line begins so
};

}  // namespace

TEST(Check, OneListNumbersEveryPassInTheOrderTold) {
    // Its own folder: other runs of the tests may share the machine.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("brastor-check-test-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "every.map";
    std::ofstream(file) << kEveryPass;
    CheckOptions options;
    options.shownName = "every.map";
    const MapCheck check = checkMap(file.string(), options);
    std::ostringstream out;
    printReport(check, out);
    const std::string report = out.str();

    // Whatever each route's verdict, the targets out of reach are the same:
    // the numbers and cells depend on the order of the passes alone.
    std::vector<Numbered> want = {
        {1, {25, 9}, "warning [1]: cell (25, 9): generator"},
        {2, {9, 6}, "error [2]: walker at cell (8, 6)"},
        {3, {9, 6}, "error [3]: walker at cell (8, 6)"},
        {4, {10, 1}, "  generator (10, 1): "},
        {5, {25, 9}, "  generator (25, 9): error [5]: unreachable: enclosed by solid cells"},
    };
    for (int i = 0; i < 10; ++i)
        want.push_back({6 + i, {1 + 2 * i, 9},
                        "  diamond (" + std::to_string(1 + 2 * i) + ", 9): warning [" + std::to_string(6 + i) + "]"});
    want.push_back({16, {2, 6}, "  exit beam column 2: "});  // circled where the player starts

    std::vector<std::string> numberedLines;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, std::regex(R"(^[^\[]*\[[0-9]+\]: )"))) numberedLines.push_back(line);
    ASSERT_EQ(numberedLines.size(), want.size()) << report;
    std::map<std::pair<int, int>, std::string> circles;
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(numberedLines[i].rfind(want[i].lineStart, 0), 0u) << numberedLines[i];
        EXPECT_NE(numberedLines[i].find("[" + std::to_string(want[i].number) + "]"), std::string::npos)
            << numberedLines[i];
        std::string& label = circles[want[i].cell];
        label += (label.empty() ? "" : ",") + std::to_string(want[i].number);
    }
    EXPECT_EQ(check.findings.circles(), circles) << report;

    // The source's fault comes first and has no number; the summary comes last.
    EXPECT_EQ(report.rfind("error: every.map:2: unknown map character 'x'", 0), 0u) << report;
    EXPECT_NE(report.find("\n  and 2 more, each diamond: enclosed by solid cells\n"), std::string::npos) << report;
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(report, counts,
                                  std::regex(R"(\n1 enemies, 84 solid cells, 2 generators, 0 hostages; ([0-9]+) error\(s\), )"
                                             R"(([0-9]+) warning\(s\)(, ([0-9]+) inconclusive)?\n$)")))
        << report;
    // Warnings: the half-hidden generator and twelve diamonds. Errors or
    // unresolved: the source, two rule faults, both generators and the exit.
    EXPECT_EQ(std::stoi(counts[2]), 13) << report;
    const int inconclusive = counts[4].matched ? std::stoi(counts[4]) : 0;
    EXPECT_EQ(std::stoi(counts[1]) + inconclusive, 6) << report;
    EXPECT_EQ(exitStatus(check), 1);
    std::filesystem::remove_all(dir);
}
