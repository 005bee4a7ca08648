// The search over orders of map changes, for what the nearest-first chain
// leaves: taking a key, breaking a block, fetching a diamond can each cut the
// way to something else, so the order matters.
//
// A state is the game after a chain of changes: the cells that differ from the
// map at the start (doors open, blocks broken, pickups taken), the player's
// place, the diamonds and power. From each state one stage searches the map as
// it is, and every change it finds is played for real: each key or hostage
// touched, each block or generator the beam can break from a standing place,
// each diamond or crystal fetched, all by their fewest-frames routes. States
// are taken fewest frames first. Two states with the same cells and place
// differ only in what they hold; one with no more beam charge and no more
// power than the other is dropped.
#include <queue>
#include <unordered_map>

#include "mapcheck/routes_search.h"

namespace routesearch {
namespace {

// Player states the order search may visit when no budget was given: as many
// as the nearest-first chain took, within these bounds. Small maps are searched
// through; where changes are many, the orders multiply past any budget.
constexpr long long leastOrderStates = 2'000'000, mostOrderStates = 20'000'000;

// The most beam frames one break takes: a plan switches the beam on, steers
// at most 90 frames and holds at most 8 more (routes_beam.cpp).
constexpr int maxBeamFramesPerBreak = 1 + 90 + 8;

// What a state holds that a later change may spend.
struct Holding {
    int supply, power, hazardTicks;
    bool covers(const Holding& o) const { return supply >= o.supply && power >= o.power && hazardTicks <= o.hazardTicks; }
};

// One state of the order search; the map is kept as the cells that differ
// from the start, the chain of keys as the frames since the parent state.
struct OrderState {
    std::uint32_t parent;
    int frames;  // from the mission start
    int boxFrame;
    std::vector<std::uint8_t> keys;
    std::vector<std::pair<int, int>> trail;
    std::vector<std::pair<std::int32_t, MapCell>> cells;  // y * gridSize + x
    View view;
    PlayerState player;
    HitBox box;
    GameState game;
    Holding held;
};

std::vector<std::pair<std::int32_t, MapCell>> changedCells(const MapGrid& start) {
    std::vector<std::pair<std::int32_t, MapCell>> cells;
    for (int y = 0; y < gridSize; ++y) {
        if (std::memcmp(mapGrid.cells[y], start.cells[y], sizeof mapGrid.cells[y]) == 0) continue;
        for (int x = 0; x < gridSize; ++x) {
            const MapCell& c = mapGrid.cells[y][x];
            const MapCell& s = start.cells[y][x];
            if (c.tile != s.tile || c.block != s.block || c.overlay != s.overlay) cells.push_back({y * gridSize + x, c});
        }
    }
    return cells;
}

bool sameCells(const std::vector<std::pair<std::int32_t, MapCell>>& a, const std::vector<std::pair<std::int32_t, MapCell>>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].first != b[i].first || std::memcmp(&a[i].second, &b[i].second, sizeof(MapCell)) != 0) return false;
    return true;
}

}  // namespace

// True when every target left unreached is proven out of reach whatever the
// order of changes, so no order can do better.
bool RouteSearch::everyTargetLeftProvenOut() {
    labelAreas();
    for (const Target& t : targets_)
        if (!t.reached && !provenOutOfReach(t)) return false;
    return true;
}

// From the mission's start (`start`), every order of the map changes, fewest
// frames first, until every target is reached, no state is left or the budget
// of states runs out. Routes it finds are recorded as the stages record them.
// True when it leaves the game in the first state it kept with the objective
// met; else the game is left anywhere.
bool RouteSearch::searchOrders(const Snapshot& start) {
    ordersSearched_ = true;
    const long long share = std::clamp(statesSearched_, leastOrderStates, mostOrderStates);
    const long long budget =
        stateBudget_ == defaultStateBudget ? std::min(stateBudget_, statesSearched_ + share) : stateBudget_;
    std::vector<OrderState> states;
    std::unordered_map<std::string, std::vector<Holding>> seen;
    using Entry = std::pair<int, std::uint32_t>;  // frames, state
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
    const std::uint32_t none = noParent;
    std::uint32_t objectiveState = none;  // the first state kept with the objective met

    // Puts the game, the chain of keys and the trail to state s.
    auto restore = [&](std::uint32_t s) {
        start.restore();
        for (const auto& [at, cell] : states[s].cells) mapGrid.cells[at / gridSize][at % gridSize] = cell;
        view = states[s].view;
        player = states[s].player;
        playerBox = states[s].box;
        game = states[s].game;
        buildSolidList();
        std::vector<std::uint32_t> line;
        for (std::uint32_t i = s; i != none; i = states[i].parent) line.push_back(i);
        chain_.clear();
        chainTrail_.clear();
        for (auto i = line.rbegin(); i != line.rend(); ++i) {
            chain_.insert(chain_.end(), states[*i].keys.begin(), states[*i].keys.end());
            chainTrail_.insert(chainTrail_.end(), states[*i].trail.begin(), states[*i].trail.end());
        }
        boxFrame_ = states[s].boxFrame;
    };
    // Keeps the game as it is now as a state after `parent`, unless a state
    // already kept covers it; `played` is the parent's chain length.
    auto keep = [&](std::uint32_t parent, std::size_t played) {
        const Holding held{beamSupply(), player.power, player.hazardTicks};
        OrderState o{parent, static_cast<int>(chain_.size()), boxFrame_, {}, {}, changedCells(*start.grid), view, player,
                     playerBox, game, held};
        // Nothing changed but the place, and nothing gained: the parent's stage covered it.
        if (parent != none && sameCells(o.cells, states[parent].cells) && states[parent].held.covers(held)) return;
        std::string key(reinterpret_cast<const char*>(o.cells.data()), o.cells.size() * sizeof o.cells[0]);
        const Pos at = currentPos();
        key.append(reinterpret_cast<const char*>(&at), sizeof at);
        std::vector<Holding>& front = seen[key];
        for (const Holding& h : front)
            if (h.covers(held)) return;
        std::erase_if(front, [&](const Holding& h) { return held.covers(h); });
        front.push_back(held);
        o.keys.assign(chain_.begin() + static_cast<std::ptrdiff_t>(played), chain_.end());
        if (keepTrails_) o.trail.assign(chainTrail_.begin() + static_cast<std::ptrdiff_t>(played), chainTrail_.end());
        if (game.objectiveMet != 0 && objectiveState == none) objectiveState = static_cast<std::uint32_t>(states.size());
        open.push({o.frames, static_cast<std::uint32_t>(states.size())});
        states.push_back(std::move(o));
    };

    start.restore();
    chain_.clear();
    chainTrail_.clear();
    boxFrame_ = 0;
    keep(none, 0);
    while (!open.empty() && unreached_ > 0) {
        if (statesSearched_ > budget) {
            gaveUp_ = true;
            break;
        }
        const std::uint32_t s = open.top().second;
        open.pop();
        for (int attempt = 0; attempt < 2; ++attempt) {
            restore(s);
            Snapshot here;  // the search moves the player and the view about
            here.save();
            leastContact_ = attempt == 1;
            searchStage(currentPos(), states[s].frames, true);
            statesSearched_ += static_cast<long long>(nodes_.size());
            here.restore();
            bool powerLost = dropPowerlessRoutes(here);
            if (unreached_ == 0) break;
            // The changes this stage can make: routes to pickups, keys and
            // hostages, and beam plans for every breakable cell in reach.
            std::vector<std::size_t> touched;
            for (std::size_t t = 0; t < targets_.size(); ++t) {
                const Target& target = targets_[t];
                // The exit beam's target is a column, with no cell of its own.
                if (target.kind == Kind::exitBeam || target.kind == Kind::generator) continue;
                if (stageTouch_[t] < 0 || mapCell(target.x, target.y).tile != target.tile) continue;
                if (target.kind == Kind::hostage && mission_ != 2) continue;  // changes nothing that counts
                touched.push_back(t);
            }
            std::vector<BreakPlan> plans;
            int shortOfDiamonds = 0;
            int breakable = 0;
            bool powerMatters = false;
            for (int y = 0; y < mapHeight; ++y) {
                for (int x = 0; x < mapWidth; ++x) {
                    const MapCell& c = mapCell(x, y);
                    powerMatters = powerMatters || contactKindOf(c.tile) == contactKind::hazard;
                    if (c.block >= 0 || (c.tile != tileCode::breakable && c.tile != tileCode::generator1 &&
                                         c.tile != tileCode::generator3))
                        continue;
                    ++breakable;
                    BreakPlan plan;
                    if (planBreak(x, y, plan, shortOfDiamonds)) plans.push_back(plan);
                }
            }
            // A diamond feeds only the beam, a crystal only the power against
            // spikes and flow: with nothing left to spend them on (or charge
            // enough for every break left), fetching one changes nothing that counts.
            const bool beamMatters = states[s].held.supply < breakable * maxBeamFramesPerBreak;
            std::vector<std::uint32_t> touches;
            for (std::size_t t : touched)
                if ((targets_[t].kind != Kind::diamond || beamMatters) && (targets_[t].kind != Kind::crystal || powerMatters))
                    touches.push_back(static_cast<std::uint32_t>(stageTouch_[t]));
            std::sort(touches.begin(), touches.end());
            touches.erase(std::unique(touches.begin(), touches.end()), touches.end());
            const std::size_t played = chain_.size();
            for (std::size_t i = 0; i < touches.size() + plans.size() && unreached_ > 0; ++i) {
                here.restore();
                chain_.resize(played);
                if (keepTrails_) chainTrail_.resize(played);
                boxFrame_ = states[s].boxFrame;
                std::vector<std::size_t> openGenerators;
                for (std::size_t g = 0; g < targets_.size(); ++g)
                    if (targets_[g].kind == Kind::generator && !targets_[g].reached) openGenerators.push_back(g);
                const bool made = i < touches.size() ? applyPath(touches[i]) : applyBreak(plans[i - touches.size()]);
                ++changesMade_;
                if (!made || game.missionResult == missionFailed) {
                    // A change the power does not last through proves nothing it broke.
                    for (std::size_t g : openGenerators) {
                        if (!targets_[g].reached) continue;
                        targets_[g].reached = false;
                        ++unreached_;
                    }
                    powerLost = powerLost || game.missionResult == missionFailed;
                    continue;
                }
                if (game.missionResult == missionCompleted) continue;
                keep(s, played);
            }
            // When routes die in spikes or flow, the stage is searched again by the fewest contacts with them.
            if (!powerLost) break;
            powerLost_ = true;
        }
        leastContact_ = false;
    }
    leastContact_ = false;
    if (objectiveState == none) return false;
    restore(objectiveState);
    return true;
}

}  // namespace routesearch
