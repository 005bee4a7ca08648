#include "mapcheck/rules.h"

#include <set>
#include <tuple>

#include "play/weapons.h"
#include "world/catalogue.h"

namespace {

struct RuleFault {
    std::string message;
    int x = 0, y = 0;  // the cell the fault is seen at
};

// A horizontal shot lives 500 frames at 4 pixels a frame: 62.5 cells.
constexpr int kShotReach = 63;

class Checker {
public:
    explicit Checker(const RuleGrid& grid) : grid_(grid) {}

    std::vector<RuleFault> run() {
        for (int pass = 0; pass < 2; ++pass) {
            doorsOpen_ = pass == 1;
            for (int y = 0; y < grid_.height; ++y) {
                for (int x = 0; x < grid_.width; ++x) {
                    if (!cell(x, y).enemy.empty()) followEnemy(x, y);
                }
            }
        }
        for (int y = 0; y < grid_.height; ++y) {
            for (int x = 0; x < grid_.width; ++x) checkBackdropHole(x, y);
        }
        return faults_;
    }

private:
    const RuleGrid& grid_;
    bool doorsOpen_ = false;
    int enemyX_ = 0, enemyY_ = 0;  // the enemy being followed
    std::vector<RuleFault> faults_;
    std::set<std::string> seen_;

    static std::string at(int x, int y) { return "cell (" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

    // Reports once per key: one fault of each kind per enemy is enough to fix it.
    void report(const std::string& key, const std::string& message, int x, int y) {
        if (seen_.insert(key).second) faults_.push_back(RuleFault{message, x, y});
    }

    bool inMap(int x, int y) const { return x >= 0 && y >= 0 && x < grid_.width && y < grid_.height; }
    bool inGrid(int x, int y) const { return x >= 0 && y >= 0 && x < gridSize && y < gridSize; }

    RuleCell cell(int x, int y) const { return inMap(x, y) ? grid_.cells[y * grid_.width + x] : RuleCell{}; }

    // Closed for enemies and shots; beyond the grid counts as closed.
    bool closed(int x, int y) const {
        if (!inGrid(x, y)) return true;
        const RuleCell c = cell(x, y);
        if (doorsOpen_ && (c.tile == tileCode::doorA || c.tile == tileCode::doorB)) return false;
        return c.block != 0;
    }

    // Drawn like a wall but lets enemies and shots through: a scenery block,
    // or the cell a generator picture hangs into.
    bool fake(int x, int y) const {
        if (closed(x, y)) return false;
        const int above = cell(x, y - 1).tile;
        return cell(x, y).tile == tileCode::sceneryBlock ||
               (inMap(x, y - 1) && (above == tileCode::generator1 || above == tileCode::generator3) &&
                cell(x, y).tile == tileCode::empty);
    }

    // What a fake cell shows, for the message.
    std::string drawn(int x, int y) const {
        if (cell(x, y).tile == tileCode::sceneryBlock) return "a scenery block";
        return "the lower half of the generator at (" + std::to_string(x) + ", " + std::to_string(y - 1) + ")";
    }

    void followEnemy(int x0, int y0) {
        const std::string_view type = cell(x0, y0).enemy;
        const std::string who = std::string(type) + " at " + at(x0, y0);
        enemyX_ = x0;
        enemyY_ = y0;
        std::set<std::pair<int, int>> visited;
        if (type == "turret") {
            visited.insert({x0, y0});
        } else if (type == "snake") {
            walkSnake(x0, y0, visited);
        } else {
            walkRow(x0, y0, type != "flyer", visited);
        }
        for (const auto& [x, y] : visited) {
            if (fake(x, y))
                report(who + " walks", who + " walks into " + at(x, y) + ", " + drawn(x, y) + ", which is drawn solid but is not",
                       x, y);
            if (type == "walker") {
                trace(who, x, y, 1, 0);
                trace(who, x, y, -1, 0);
            } else if (type == "turret") {
                trace(who, x, y, cell(x - 1, y).tile != tileCode::empty ? 1 : -1, 0);
            } else if (type == "flyer") {
                if (!closed(x, y + 1)) trace(who, x, y, 0, 1);
            } else if (type == "snake") {
                const int dirs[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
                for (const auto& d : dirs) {
                    if (!closed(x + d[0], y + d[1])) trace(who, x, y, d[0], d[1]);
                }
            }
        }
    }

    // Walkers and swans turn at a wall or at the end of their floor; flyers only at a wall.
    void walkRow(int x, int y, bool needsFloor, std::set<std::pair<int, int>>& visited) const {
        int dir = -1;
        std::set<std::pair<int, int>> states;
        while (states.insert({x, dir}).second && inGrid(x, y)) {
            visited.insert({x, y});
            if (closed(x + dir, y) || (needsFloor && !closed(x + dir, y + 1))) dir = -dir;
            x += dir;
        }
    }

    // A snake goes straight on and turns a quarter clockwise where the way ahead is closed.
    void walkSnake(int x, int y, std::set<std::pair<int, int>>& visited) const {
        const int turns[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        int step = 0;
        std::set<std::tuple<int, int, int>> states;
        while (states.insert({x, y, step}).second && inGrid(x, y)) {
            visited.insert({x, y});
            if (closed(x + turns[step][0], y + turns[step][1])) step = (step + 1) % 4;
            x += turns[step][0];
            y += turns[step][1];
        }
    }

    // Follows one shot from (x, y) until a closed cell stops it.
    void trace(const std::string& who, int x, int y, int dx, int dy) {
        const int fromX = x, fromY = y;
        int fakeX = -1, fakeY = -1;
        for (int steps = 1; dy != 0 || steps <= kShotReach; ++steps) {
            x += dx;
            y += dy;
            if (!inGrid(x, y)) {
                if (dy != 0) {
                    const bool bombs = cell(enemyX_, enemyY_).enemy == "flyer";
                    const std::string what = bombs ? "bombs" : "shots";
                    report(who + " forever",
                           who + ": from " + at(fromX, fromY) + " its " + what + (dy > 0 ? " fall" : " rise") +
                               " out of the map in column " + std::to_string(fromX) +
                               " with no solid cell to stop them, and fly on for good; once " +
                               std::to_string(shotCount) + " are out there no enemy of the level fires any more",
                           enemyX_, enemyY_);
                }
                return;
            }
            if (closed(x, y)) return;
            if (fake(x, y)) {
                if (fakeX < 0) fakeX = x, fakeY = y;
            } else if (fakeX >= 0) {
                report(who + " fires", who + " fires through " + at(fakeX, fakeY) + ", " + drawn(fakeX, fakeY) +
                       ", which is drawn solid but is not: its shots hit a player who cannot see them coming",
                       fakeX, fakeY);
                return;
            }
        }
    }

    bool backdrop(int x, int y) const {
        const int t = cell(x, y).tile;
        return t == tileCode::girder || t == tileCode::caveWall;
    }
    bool wallLike(int x, int y) const { return inMap(x, y) && (backdrop(x, y) || cell(x, y).block != 0); }

    // A pickup or marker whose neighbours on one line are backdrop (or wall
    // and backdrop) sits inside the backdrop: its own cell shows black.
    void checkBackdropHole(int x, int y) {
        const RuleCell c = cell(x, y);
        const bool pickup = c.tile == tileCode::diamond || c.tile == tileCode::crystal || c.tile == tileCode::keyA ||
                            c.tile == tileCode::keyB || c.tile == tileCode::hostage;
        if (!pickup && !c.marker) return;
        const bool across = wallLike(x - 1, y) && wallLike(x + 1, y) && (backdrop(x - 1, y) || backdrop(x + 1, y));
        const bool upright = wallLike(x, y - 1) && wallLike(x, y + 1) && (backdrop(x, y - 1) || backdrop(x, y + 1));
        if (across || upright) {
            const std::string where = at(x, y);
            report(where, (c.marker ? std::string("marker") : std::string("pickup")) + " at " + where +
                   " sits in backdrop scenery: its cell shows a black hole in it", x, y);
        }
    }
};

}  // namespace

void checkPlayRules(const RuleGrid& grid, Findings& findings) {
    for (const RuleFault& fault : Checker(grid).run()) findings.add(Severity::error, fault.message, {fault.x, fault.y});
}
