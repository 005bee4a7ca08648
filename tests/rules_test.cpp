// The checker's rule pass in process, on maps drawn with the game's own map
// letters: which cells it reports, one table row per rule and its edges.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "mapcheck/rules.h"
#include "world/catalogue.h"

namespace {

// The cells as the checker hands them over: every enemy marker kept.
RuleGrid ruleGrid(const std::vector<std::string>& rows) {
    RuleGrid grid{static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), {}};
    for (const std::string& row : rows)
        for (char letter : row) {
            const MapColour* c = findMapLetter(letter);
            grid.cells.push_back(c ? RuleCell{c->cell.tile, c->cell.block, c->marker != Marker::none,
                                              c->marker == Marker::enemy ? c->name : ""}
                                   : RuleCell{});
        }
    return grid;
}

struct RuleCase {
    const char* what;
    std::vector<std::string> map;
    std::vector<std::pair<int, int>> faultCells;  // in report order
};

const RuleCase ruleCases[] = {
    {"a fair room: walls, a floor, every enemy kept in",
     {"##########", "#...F....#", "#W..T..N.#", "##########"}, {}},
    {"a walker fires through and walks into a scenery block drawn solid",
     {"#......#", "#.W..o.#", "########"}, {{5, 1}, {5, 1}}},
    {"a walker that turns at its floor's end only fires through the scenery block",
     {"#.........#", "#W..o....P#", "###.......#", "###########"}, {{4, 1}}},
    {"a flyer's bombs fall forever through an open column",
     {"#....#", "#.F..#", "#.....", "##.###"}, {{2, 1}}},
    {"a flyer over a closed column drops nothing out of the map",
     {"#....#", "#.F..#", "#....#", "######"}, {}},
    {"behind a door the walker is followed with the door open too",
     {"#........#", "#.W.l..o.#", "##########"}, {{7, 1}, {7, 1}}},
    {"the cell below a generator is drawn solid but is not",
     {"#.....#", "#..G..#", "#W....#", "#######"}, {{3, 2}, {3, 2}}},
    {"a diamond cut into a band of cave wall",
     {"......", "vvdvv.", "######"}, {{2, 1}}},
    {"a diamond at the end of a band of cave wall",
     {"......", "vvvvd.", "######"}, {}},
};

}  // namespace

TEST(Rules, ReportTheCellsOfEachFault) {
    for (const RuleCase& c : ruleCases) {
        Findings faults;
        checkPlayRules(ruleGrid(c.map), faults);
        std::vector<std::pair<int, int>> cells;
        std::string all;
        for (const Finding& f : faults.all()) {
            cells.push_back({f.at.x, f.at.y});
            all += "\n  " + f.text;
        }
        EXPECT_EQ(cells, c.faultCells) << c.what << all;
    }
}
