// Why a target is out of reach, from what the search saw.
#include "mapcheck/routes_search.h"

namespace routesearch {
namespace {

// Whether a cell closes the way in the given way of counting (see area_):
// walls always, doors of one letter or the breakable blocks as well.
bool closedFor(int way, std::uint8_t tile) {
    if (tile == tileCode::grass || tile == tileCode::block || tile == tileCode::rockTop || tile == tileCode::darkFloor)
        return true;
    if (way == 1) return tile == tileCode::doorA;
    if (way == 2) return tile == tileCode::doorB;
    if (way == 3) return tile == tileCode::breakable || tile == tileCode::generator1 || tile == tileCode::generator3;
    return false;
}

}  // namespace

// Joins the open cells of the map as it is now into areas, once per way of
// counting cells as closed, and marks the areas the player has been in.
void RouteSearch::labelAreas() {
    std::vector<int> todo;
    for (int way = 0; way < areaWays; ++way) {
        std::vector<std::int32_t>& area = area_[way];
        area.assign(gridSize * gridSize, -1);
        areaReached_[way].clear();
        areaAtEdge_[way].clear();
        for (int start = 0; start < mapWidth * mapHeight; ++start) {
            const int sx = start % mapWidth, sy = start / mapWidth;
            if (area[sy * gridSize + sx] >= 0 || closedFor(way, mapCell(sx, sy).tile)) continue;
            const auto id = static_cast<std::int32_t>(areaReached_[way].size());
            std::uint8_t reached = 0, edge = 0;
            area[sy * gridSize + sx] = id;
            todo.assign(1, sy * gridSize + sx);
            while (!todo.empty()) {
                const int c = todo.back();
                todo.pop_back();
                reached |= everReached_[c];
                const int x = c % gridSize, y = c / gridSize;
                edge |= x == 0 || y == 0 || x == mapWidth - 1 || y == mapHeight - 1;
                const int next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
                for (const auto& n : next) {
                    if (n[0] < 0 || n[1] < 0 || n[0] >= mapWidth || n[1] >= mapHeight) continue;
                    const int k = n[1] * gridSize + n[0];
                    if (area[k] >= 0 || closedFor(way, mapCell(n[0], n[1]).tile)) continue;
                    area[k] = id;
                    todo.push_back(k);
                }
            }
            areaReached_[way].push_back(reached);
            areaAtEdge_[way].push_back(edge);
        }
    }
}

// Whether the cell (x, y) lies in an area of `way` (see area_) that holds no
// cell the player has been in; the areas at the map's edge count as one,
// since the player may go round outside. False for a closed cell.
bool RouteSearch::apartFromReached(int way, int x, int y) const {
    const std::int32_t a = area_[way][y * gridSize + x];
    if (a < 0 || areaReached_[way][a]) return false;
    if (areaAtEdge_[way][a])
        for (std::size_t other = 0; other < areaAtEdge_[way].size(); ++other)
            if (areaAtEdge_[way][other] && areaReached_[way][other]) return false;
    return true;
}

// Whether the doors of `letter` (0 A, 1 B) never open: the map has no key of
// theirs, or every such key is parted from the player by walls and those doors.
bool RouteSearch::doorsStayShut(int letter) const {
    for (const Target& k : targets_)
        if (k.kind == (letter == 0 ? Kind::keyA : Kind::keyB) && (k.reached || !apartFromReached(1 + letter, k.x, k.y)))
            return false;
    return true;
}

// True only where no route can reach t, whatever the order of map changes:
// the walls alone part it from every cell the player has been in (every door,
// breakable cell and barrier counted open), or the walls and the doors of a
// letter whose doors never open do; or the map never changes and the first
// search, over every state with power ignored, never touched it; or, for the
// exit, every objective is proven out of reach; or, for a generator, no
// diamond can be had to feed the beam.
bool RouteSearch::provenOutOfReach(const Target& t) const {
    if (t.kind == Kind::exitBeam) {
        bool any = false;
        for (const Target& o : targets_) {
            if (!o.objective) continue;
            if (o.reached || !provenOutOfReach(o)) return false;
            any = true;
        }
        return any;
    }
    if (relaxedDone_ && !touchedRelaxed_[&t - targets_.data()]) return true;
    if (t.kind == Kind::generator && startDiamonds_ == 0) {
        // The beam runs on diamonds only: none to be had, no generator breaks.
        bool charge = false;
        for (const Target& d : targets_)
            charge = charge || (d.kind == Kind::diamond && (d.reached || !provenOutOfReach(d)));
        if (!charge) return true;
    }
    if (apartFromReached(0, t.x, t.y)) return true;
    for (int letter = 0; letter < 2; ++letter)
        if (apartFromReached(1 + letter, t.x, t.y) && doorsStayShut(letter)) return true;
    return false;
}

// "N touches of spikes or flow, more than power P pays for", for a route the power could not pay for.
std::string RouteSearch::deadlyText(const Deadly& d) const {
    return "touches spikes or flow " + std::to_string(d.contact) + " times, more than power " +
           std::to_string(d.power) + " pays for (one power per " + std::to_string(hazardTicksPerPower) + " touches)";
}

// A breakable block or generator the player stood on, now broken, from which
// the jump would reach cell (x, y): the words for it, else empty.
std::string RouteSearch::brokenStep(int x, int y) const {
    // Standing on row by, the jump's top comes 6 rows up; in the rise the
    // player moves up to 4 cells sideways, and walks on from where it lands.
    // The nearest such block first.
    constexpr int sideways = 8;
    for (int d = 0; d <= sideways; ++d) {
        for (int by = y + 1; by <= std::min(mapHeight - 1, y + 6); ++by) {
            for (const int bx : {x - d, x + d}) {
                if (bx < 0 || bx >= mapWidth) continue;
                const std::uint8_t was = startTile_[by * gridSize + bx];
                const bool breakable =
                    was == tileCode::breakable || was == tileCode::generator1 || was == tileCode::generator3;
                if (breakable && mapCell(bx, by).tile == 0 && everReached_[(by - 1) * gridSize + bx])
                    return std::string("out of the jump's reach once the ") +
                           (was == tileCode::breakable ? "breakable block" : "generator") + " at " + cellText(bx, by) +
                           ", a step up to it, is broken";
            }
        }
    }
    return {};
}

// Why the player's box never comes up to target t at (x, y), judged by the
// highest the box came over each column (`highest`): a step the beam broke,
// a ledge higher than the jump from the floor beside it, or the jump's shortfall.
std::string RouteSearch::heightReason(const Target& t, int x, int y, const std::vector<int>& highest) {
    const int top = highest[x];
    const int bottom = 32 * y - 32 + tileBox.dy + tileBox.h;
    if (top != INT_MAX && top <= bottom) return {};
    if (std::string why = brokenStep(x, y); !why.empty()) return why;
    // Standing on a ledge: what counts is how far the feet come short of its
    // top beside it, and how many cells lower would do.
    int ledge = y + 1;
    while (ledge < mapHeight && ledge <= y + 2 && mapCell(x, ledge).block == 0) ++ledge;
    if (t.kind != Kind::exitBeam && ledge < mapHeight && ledge <= y + 2 && mapCell(x, ledge).block != 0) {
        int left = x, right = x;
        while (left > 0 && mapCell(left - 1, ledge).block != 0) --left;
        while (right + 1 < mapWidth && mapCell(right + 1, ledge).block != 0) ++right;
        int beside = INT_MAX;
        for (int d = 1; d <= 3; ++d) {
            for (const int c : {left - d, right + d})
                if (c >= 0 && c < mapWidth && mapCell(c, ledge).block == 0) beside = std::min(beside, highest[c]);
        }
        if (beside != INT_MAX) {
            const int shortBy = beside + playerStandingBox.h - (32 * ledge - 32 - 1);
            if (shortBy > 0) {
                const int cells = (shortBy + 31) / 32;
                return "higher than the jump: the ledge it stands on, " + cellText(left, ledge) +
                       (right > left ? " to " + cellText(right, ledge) : std::string()) + ", is " +
                       std::to_string(shortBy) + " pixels over the jump's reach from the floor beside it; " +
                       "lower it by " + std::to_string(cells) + (cells == 1 ? " cell" : " cells");
            }
        }
    }
    if (top == INT_MAX) return "no route leads into its column, " + std::to_string(x);
    return "higher than the jump from every floor nearby, by " + std::to_string(top - bottom) + " pixels";
}

// The reason the search sees for target t being out of reach, in words.
std::string RouteSearch::reason(const Target& t) {
    int x = t.x, y = t.y;
    std::vector<int>* highest = &highestTop_;
    const std::vector<Deadly>* deadly = &deadly_[0];
    if (t.kind == Kind::exitBeam) {
        if (game.objectiveMet == 0) return "the objective is never met, so the beam never hangs";
        if (x < 0 || x >= mapWidth) return "the start column lies outside the map";
        y = -1;
        for (int row = 0; row < mapHeight && mapCell(x, row).tile == tileCode::exitBeam; ++row) y = row;
        if (y < 0) return "the beam finds no open cell in its column";
        if (highestAfter_[x] == INT_MAX) {
            // A way back the power cannot pay for is not "no way back".
            if (const Deadly& d = powerShort_[targets_.size() - 1]; d.contact != INT_MAX)
                return "after the objective is met, every way back into column " + std::to_string(x) +
                       " touches spikes or flow more often than the power left (" + std::to_string(d.power) +
                       ") pays for: the fewest-frames one " + std::to_string(d.contact) + " times, one power per " +
                       std::to_string(hazardTicksPerPower);
            Deadly least;
            for (int row = 0; row <= y; ++row)
                if (deadly_[1][row * gridSize + x].contact < least.contact) least = deadly_[1][row * gridSize + x];
            if (least.contact != INT_MAX)
                return "after the objective is met, the way back into column " + std::to_string(x) + " " +
                       deadlyText(least);
            if (std::string why = brokenStep(x, y); !why.empty()) return "after the objective is met, " + why;
            return "after the objective is met, no route leads back into column " + std::to_string(x);
        }
        highest = &highestAfter_;
        deadly = &deadly_[1];
    }
    const int cell = y * gridSize + x;
    auto reachedIn = [&](int way) {
        const std::int32_t a = area_[way][cell];
        return a >= 0 && areaReached_[way][a];
    };
    if (!reachedIn(0)) return "enclosed by solid cells";
    const char letters[2] = {'A', 'B'};
    for (int d = 0; d < 2; ++d) {
        if (game.doorKeys[d] != 0 || reachedIn(1 + d)) continue;
        // The door that shuts the target's area: the first one next to it.
        const std::int32_t a = area_[1 + d][cell];
        const std::uint8_t door = d == 0 ? tileCode::doorA : tileCode::doorB;
        const auto [known, fresh] = doorOfArea_.try_emplace({d, a}, std::pair{-1, -1});
        std::pair<int, int>& doorCell = known->second;
        for (int cy = 0; fresh && cy < mapHeight && doorCell.first < 0; ++cy) {
            for (int cx = 0; cx < mapWidth && doorCell.first < 0; ++cx) {
                if (mapCell(cx, cy).tile != door) continue;
                const int next[4][2] = {{cx + 1, cy}, {cx - 1, cy}, {cx, cy + 1}, {cx, cy - 1}};
                for (const auto& n : next)
                    if (insideGrid(n[0], n[1]) && area_[1 + d][n[1] * gridSize + n[0]] == a) doorCell = {cx, cy};
            }
        }
        const auto [doorX, doorY] = doorCell;
        const std::string name = std::string("door ") + letters[d] + " at " + cellText(doorX, doorY);
        const std::string key = std::string("key ") + letters[d];
        if ((d == 0 && t.kind == Kind::keyA) || (d == 1 && t.kind == Kind::keyB))
            return "behind " + name + ", and " + key + " is reached only through that door";
        bool keyInMap = false, keyReached = false;
        for (const Target& k : targets_)
            if ((d == 0 && k.kind == Kind::keyA) || (d == 1 && k.kind == Kind::keyB)) {
                keyInMap = true;
                keyReached = keyReached || k.reached;
            }
        if (keyReached) return "behind " + name + ": " + key + " is reached, but no route through that door leads to it";
        return "behind " + name + ", and " + (keyInMap ? key + " is never reached" : "the map has no " + key);
    }
    if ((t.kind == Kind::generator || !reachedIn(3)) && !everDiamond_ && player.diamonds <= 0)
        return "needs the streamer, but no diamond can be reached before it";
    const std::size_t index = static_cast<std::size_t>(&t - targets_.data());
    const int shortFrames = beamShort_[index];
    // A shortfall counts only while no stage ever held the charge for it.
    if (shortFrames > 0 && std::max(mostSupply_, beamSupply()) < shortFrames) {
        // The first diamond feeds the beam drain + 1 frames, each further one 21.
        const int diamonds = (shortFrames + beamFramesPerDiamond - 1) / beamFramesPerDiamond;
        return "in the beam's reach, but it takes " + std::to_string(shortFrames) + " frames of beam (" +
               std::to_string(diamonds) + (diamonds == 1 ? " diamond's" : " diamonds'") +
               " charge), more than the diamonds reached before it hold";
    }
    if (t.kind == Kind::generator) {
        // The places the beam could meet it from, past what the power pays for.
        Deadly least;
        constexpr int around = 8;  // the beam's reach and the player's width, in cells
        for (int cy = std::max(0, y - around); cy <= std::min(mapHeight - 1, y + around); ++cy)
            for (int cx = std::max(0, x - around); cx <= std::min(mapWidth - 1, x + around); ++cx)
                if ((*deadly)[cy * gridSize + cx].contact < least.contact)
                    least = (*deadly)[cy * gridSize + cx];
        if (least.contact != INT_MAX)
            return "the places in the beam's reach of it lie past spikes or flow: the way there " + deadlyText(least);
        if (shortFrames > 0)
            return "in the beam's reach only while its " + std::to_string(shortFrames) +
                   " frames of beam were more than the diamonds held; once enough were held, no beam line to it was "
                   "found from the places reached";
        if (!beamLineSeen_[index])
            return "no place the player stands on has a clear beam line to it within the beam's reach";
    } else {
        if (const Deadly& d = powerShort_[index]; d.contact != INT_MAX)
            return "every way to it touches spikes or flow more often than the power (" + std::to_string(d.power) +
                   ") pays for: the fewest-frames one " + std::to_string(d.contact) + " times, one power per " +
                   std::to_string(hazardTicksPerPower);
        if ((*deadly)[cell].contact != INT_MAX) return "the way to it " + deadlyText((*deadly)[cell]);
        // The player's box, wider than a cell, cannot come into a slot one cell wide.
        if (t.kind != Kind::exitBeam && cellAt(x - 1, y).block != 0 && cellAt(x + 1, y).block != 0)
            return "in a slot one cell wide: the cells beside it, " + cellText(x - 1, y) + " and " +
                   cellText(x + 1, y) + ", are solid, and the player, " + std::to_string(playerStandingBox.w + 1) +
                   " pixels wide, never comes into it";
        if (std::string why = heightReason(t, x, y, *highest); !why.empty()) return why;
    }
    return "no reason found: the search reaches the area around it, but no route touches it";
}

}  // namespace routesearch
