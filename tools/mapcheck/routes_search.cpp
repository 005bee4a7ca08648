// Route finding over frame-exact player states with the game's own code.
//
// A player state is what the next frame depends on: the world position, the
// jump counter and whether the figure crouched in the last frame (its box).
// One search step sets the game's player and view to a state, holds a set of
// keys and runs the game's key pass, jump rise, gravity and view carry, so a
// step is a frame of the game by construction. The collision flags come from
// the game's own solid contact test against the cells around the player.
//
// The map changes along the way: a key opens its doors, the streamer breaks
// blocks and generators, the objective drops the barriers and hangs the beam.
// The search goes in stages: a breadth-first search over player states in one
// map, then one event (the nearest key, hostage or generator, or else a
// breakable block next to cells not yet reached or in front of a generator)
// played frame by frame through the game's contact pass, streamer and
// objective check, which also counts the diamonds and power for real; the next
// stage starts where that event left the player. Enemies are left out. Every route that meets spikes or flow is
// played for real, so the power it costs is counted; when the fewest-frames
// routes (or a beam plan) run out of it, the stage is searched again by the
// fewest hazard contacts, within what the power pays for.
//
// For a target out of reach the search tells what it saw: the open cells
// around the target joined into areas (with doors of one letter, or the
// breakable blocks, counted as closed or not) and whether an area holds a
// place the player has been; whether a diamond was ever picked up; and how
// high the top of the player's box came over each column.
#include "mapcheck/routes_search.h"

namespace routesearch {

// Clears what the last stage wrote and notes the power and charge this one starts with.
void RouteSearch::beginStage() {
    if (!positions_) {
        positions_.reset(static_cast<PositionRecord*>(std::calloc(columns_ * rows_, sizeof(PositionRecord))));
        // Room for a state (and a record) per position, so that a wide open map
        // never copies them as they grow; the pages never written cost nothing.
        nodes_.reserve(columns_ * rows_);
        used_.reserve(columns_ * rows_);
        // An open map writes most of them: in large pages, far fewer faults.
        preferLargePages(positions_.get(), columns_ * rows_ * sizeof(PositionRecord));
        preferLargePages(nodes_.data(), nodes_.capacity() * sizeof(Node));
        preferLargePages(used_.data(), used_.capacity() * sizeof(std::uint32_t));
    }
    for (std::uint32_t index : used_) positions_.get()[index] = PositionRecord{};
    used_.clear();
    nodes_.clear();
    events_.clear();
    hazardRoutes_.clear();
    lineBlockers_.clear();
    stageTouch_.assign(targets_.size(), -1);
    reachedCell_.assign(gridSize * gridSize, 0);
    standNodes_.assign(gridSize * gridSize * 3, noParent);
    generatorPlans_.assign(targets_.size(), BreakPlan{});
    generatorPlanned_.assign(targets_.size(), 0);
    stageSupply_ = beamSupply();
    mostSupply_ = std::max(mostSupply_, stageSupply_);
    stagePower_ = player.power;
    stageTicks_ = player.hazardTicks;
    // The mission is lost in the frame the power drops below 0.
    contactBudget_ = std::max(0, (stagePower_ + 1) * hazardTicksPerPower - stageTicks_ - 1);
}

// Breadth-first over player states from `start` (reached after `depth` frames)
// in the map as it is now: every state is first found by a fewest-frames route.
// Unless `whole`, it stops once the nearest map change is known.
void RouteSearch::searchStage(const Pos& start, int depth, bool whole) {
    beginStage();
    if (leastContact_) return searchByContact(start, depth);
    const bool afterObjective = game.objectiveMet != 0;
    const std::uint32_t startKey = encode(start);
    if (startKey == invalid) return;
    firstVisit(start);
    nodes_.push_back(Node{startKey, noParent, depth, 0, 0, static_cast<std::uint16_t>(hazardContacts(start))});
    noteTouched(0, start);

    int stopDepth = INT32_MAX;
    int layer = depth;
    for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].depth != layer) {
            // A layer done: is the nearest map change known?
            layer = nodes_[i].depth;
            if (unreached_ == 0) break;
            if (!whole) {
                if (!events_.empty()) stopDepth = std::min(stopDepth, nodes_[events_.front()].depth + 1);
                for (std::size_t g = 0; g < targets_.size(); ++g)
                    if (generatorPlanned_[g]) stopDepth = std::min(stopDepth, generatorPlans_[g].frames);
                if (layer >= stopDepth) break;
            }
        }
        if (nodes_[i].terminal) continue;
        if (maxFrames_ > 0 && nodes_[i].depth >= maxFrames_) continue;
        const Pos p = decode(nodes_[i].key);
        if (!relaxedPass_) noteReached(p, afterObjective);
        const std::uint8_t flags = flagsAt(p);
        if ((flags & flagGround) && p.jump == 0 && p.crouch == 0) addStandNode(i, p);
        // Up and Down act only on the ground; in the air only Left and Right matter.
        const int choices = (flags & flagGround) ? 7 : 3;
        for (int c = 0; c < choices; ++c) {
            const Pos next = step(p, flags, c);
            const std::uint32_t key = encode(next);
            if (key == invalid || !firstVisit(next)) continue;
            const auto index = static_cast<std::uint32_t>(nodes_.size());
            const int contact = std::min(0xFFFF, nodes_[i].contact + hazardContacts(next));
            nodes_.push_back(Node{key, i, nodes_[i].depth + 1, choiceKeys[c], 0, static_cast<std::uint16_t>(contact)});
            noteTouched(index, next);
        }
    }
}

// The whole map from `start`, every state first found by the route with the
// fewest spikes and flow contacts, then the fewest frames; a route that would
// touch more than the power pays for is not followed; the cells it would come
// over are noted, with what it would cost.
void RouteSearch::searchByContact(const Pos& start, int depth) {
    const bool afterObjective = game.objectiveMet != 0;
    const std::uint32_t startKey = encode(start);
    const int startContact = hazardContacts(start);
    if (startKey == invalid || startContact > contactBudget_) return;
    firstVisit(start);
    nodes_.push_back(Node{startKey, noParent, depth, 0, 0, static_cast<std::uint16_t>(startContact)});
    noteTouched(0, start);
    // Per contact count: the states first met through a contact (visited when
    // taken, in frame order) and those met without one (in frame order already).
    std::vector<std::vector<std::uint32_t>> touched(static_cast<std::size_t>(contactBudget_) + 1), clear(touched.size());
    clear[static_cast<std::size_t>(startContact)].push_back(0);
    for (std::size_t c = static_cast<std::size_t>(startContact); c < touched.size(); ++c) {
        std::vector<std::uint32_t>& later = touched[c];
        std::stable_sort(later.begin(), later.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return nodes_[a].depth < nodes_[b].depth; });
        std::size_t li = 0, ci = 0;
        while (li < later.size() || ci < clear[c].size()) {
            const bool fromClear =
                ci < clear[c].size() && (li >= later.size() || nodes_[clear[c][ci]].depth <= nodes_[later[li]].depth);
            const std::uint32_t i = fromClear ? clear[c][ci++] : later[li++];
            const Pos p = decode(nodes_[i].key);
            if (!fromClear) {
                if (!firstVisit(p)) continue;
                noteTouched(i, p);
            }
            if (unreached_ == 0) return;
            if (nodes_[i].terminal) continue;
            if (maxFrames_ > 0 && nodes_[i].depth >= maxFrames_) continue;
            noteReached(p, afterObjective);
            const std::uint8_t flags = flagsAt(p);
            if ((flags & flagGround) && p.jump == 0 && p.crouch == 0) addStandNode(i, p);
            const int choices = (flags & flagGround) ? 7 : 3;
            for (int k = 0; k < choices; ++k) {
                const Pos next = step(p, flags, k);
                const std::uint32_t key = encode(next);
                if (key == invalid) continue;
                const int touches = hazardContacts(next);
                const int contact = nodes_[i].contact + touches;
                if (contact > contactBudget_) {
                    noteDeadly(next, contact, afterObjective);
                    continue;
                }
                const auto index = static_cast<std::uint32_t>(nodes_.size());
                if (touches == 0) {
                    if (!firstVisit(next)) continue;
                    nodes_.push_back(Node{key, i, nodes_[i].depth + 1, choiceKeys[k], 0, nodes_[i].contact});
                    noteTouched(index, next);
                    clear[c].push_back(index);
                } else if (!seen(next)) {
                    // Taken later, unless a route with fewer contacts gets there first.
                    nodes_.push_back(Node{key, i, nodes_[i].depth + 1, choiceKeys[k], 0,
                                          static_cast<std::uint16_t>(contact)});
                    touched[static_cast<std::size_t>(contact)].push_back(index);
                }
            }
        }
        std::vector<std::uint32_t>().swap(later);
        std::vector<std::uint32_t>().swap(clear[c]);
    }
}

// Notes the cells the box at p is over for a route that touches spikes or
// flow `contact` times, more than the power pays for: the fewest per cell.
void RouteSearch::noteDeadly(const Pos& p, int contact, bool afterObjective) {
    const HitBox& box = p.crouch ? playerCrouchingBox : playerStandingBox;
    const int x0 = std::max(0, cellOf(p.px + box.dx)), x1 = std::min(gridSize - 1, cellOf(p.px + box.dx + box.w));
    const int y0 = std::max(0, cellOf(p.py + box.dy)), y1 = std::min(gridSize - 1, cellOf(p.py + box.dy + box.h));
    for (int after = 0; after <= (afterObjective ? 1 : 0); ++after) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                Deadly& d = deadly_[after][y * gridSize + x];
                if (contact < d.contact) d = Deadly{contact, stagePower_};
            }
        }
    }
}

// Plays one frame of the route for real and appends it to the chain. False
// when the mission is lost (power) in it; once it is won, plays nothing.
bool RouteSearch::playChainFrame(std::uint8_t keys) {
    if (game.missionResult == missionCompleted) return true;
    chain_.push_back(keys);
    const int frame = static_cast<int>(chain_.size());
    if (playRouteFrame(keys)) boxFrame_ = frame;
    if (keepTrails_) {
        const Pos p = currentPos();
        chainTrail_.push_back({p.px + 26, p.py + 32});
    }
    // Generators broken in this frame (also by a beam on its way to another) are reached.
    const std::vector<std::uint8_t> none;
    for (Target& t : targets_) {
        if (t.kind == Kind::generator && !t.reached && mapCell(t.x, t.y).tile == 0) {
            recordRoute(t, none, frame, noParent);
            t.boxFrame = boxFrame_;
        }
    }
    // The objective met with the player already in the beam's column wins in
    // the same play: the exit is reached there, not by a later search.
    Target& exit = targets_.back();
    if (game.missionResult == missionCompleted && exit.kind == Kind::exitBeam && !exit.reached)
        recordRoute(exit, none, frame, noParent);
    outOfPower_ = outOfPower_ || game.missionResult == missionFailed;
    return game.missionResult != missionFailed;
}

// Plays the route to node `index`; false when the mission is lost on the way
// or the game ends elsewhere than the search said (which would be a fault here).
bool RouteSearch::playPath(std::uint32_t index) {
    for (std::uint8_t keys : pathTo(index))
        if (!playChainFrame(keys)) return false;
    if (game.missionResult == missionCompleted || currentPos() == decode(nodes_[index].key)) return true;
    out_ << "internal: the played route left the searched one at frame " << chain_.size() << "\n";
    return false;
}

// Plays the route to node `index` and the frame that touches what it found.
bool RouteSearch::applyPath(std::uint32_t index) { return playPath(index) && playChainFrame(0); }

// A breakable block next to an open cell that the player has not been in.
bool RouteSearch::frontier(int bx, int by) const {
    static constexpr int around[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& d : around) {
        const int x = bx + d[0], y = by + d[1];
        if (x < 0 || y < 0 || x >= mapWidth || y >= mapHeight) continue;
        const int tile = mapCell(x, y).tile;
        if (tile != 0 && contactKindOf(tile) == contactKind::solid) continue;
        if (!reachedCell_[y * gridSize + x]) return true;
    }
    return false;
}

// A crate that stands first in a beam line which, without it, meets a generator.
bool RouteSearch::blocksBeamLine(int bx, int by) const {
    return std::find(lineBlockers_.begin(), lineBlockers_.end(), std::pair{bx, by}) != lineBlockers_.end();
}

bool RouteSearch::somethingLeft() const { return unreached_ > 0; }

// Picks the next map change and plays it: the nearest key, hostage or
// generator; else a breakable block at the edge of the reached cells or in a
// beam line to a generator; else,
// when the beam is short of diamonds, the nearest diamond. False when none is left.
bool RouteSearch::chooseAndApply() {
    Snapshot before;
    before.save();
    const std::size_t played = chain_.size();
    const int boxFrame = boxFrame_;
    auto undo = [&] { rewind(before, played, boxFrame); };
    int shortOfDiamonds = 0;
    const std::uint32_t touchNode = events_.empty() ? noParent : events_.front();
    BreakPlan generatorPlan;
    bool haveGenerator = false;
    for (std::size_t g = 0; g < targets_.size(); ++g) {
        if (!generatorPlanned_[g] || (haveGenerator && generatorPlans_[g].frames >= generatorPlan.frames)) continue;
        generatorPlan = generatorPlans_[g];
        haveGenerator = true;
    }
    // Generators within reach that the beam cannot afford call for diamonds.
    for (const Target& t : targets_) {
        BreakPlan plan;
        if (!haveGenerator && t.kind == Kind::generator && mapCell(t.x, t.y).tile != 0)
            planBreak(t.x, t.y, plan, shortOfDiamonds);
    }
    before.restore();
    if (touchNode != noParent && (!haveGenerator || nodes_[touchNode].depth + 1 <= generatorPlan.frames))
        return applyPath(touchNode);
    if (haveGenerator) {
        if (applyBreak(generatorPlan)) return true;
        undo();
        return false;
    }
    if (!somethingLeft()) return false;
    // Blocks at the edge of what was reached, nearest first; a failed plan tries the next.
    std::vector<BreakPlan> plans;
    for (int y = 0; y < mapHeight; ++y) {
        for (int x = 0; x < mapWidth; ++x) {
            const MapCell& c = mapCell(x, y);
            if (c.block >= 0 || (c.tile != tileCode::breakable && c.tile != tileCode::generator1 && c.tile != tileCode::generator3))
                continue;
            BreakPlan plan;
            if ((frontier(x, y) || blocksBeamLine(x, y)) && planBreak(x, y, plan, shortOfDiamonds)) plans.push_back(plan);
        }
    }
    before.restore();
    std::sort(plans.begin(), plans.end(), [](const BreakPlan& a, const BreakPlan& b) { return a.frames < b.frames; });
    for (std::size_t i = 0; i < plans.size() && i < 4; ++i) {
        if (applyBreak(plans[i])) return true;
        undo();
    }
    if (!shortOfDiamonds) return false;
    // The beam needs more diamonds: fetch the nearest one still in the map.
    std::uint32_t best = noParent;
    for (std::size_t t = 0; t < targets_.size(); ++t) {
        if (targets_[t].kind != Kind::diamond || stageTouch_[t] < 0) continue;
        if (mapCell(targets_[t].x, targets_[t].y).tile != tileCode::diamond) continue;
        best = std::min(best, static_cast<std::uint32_t>(stageTouch_[t]));
    }
    return best != noParent && applyPath(best);
}

// Takes the played chain back to `played` frames and the game to `state`.
void RouteSearch::rewind(const Snapshot& state, std::size_t played, int boxFrame) {
    state.restore();
    chain_.resize(played);
    if (keepTrails_) chainTrail_.resize(played);
    boxFrame_ = boxFrame;
    for (Target& t : targets_) {
        if (t.kind == Kind::generator && t.reached && t.frames > static_cast<int>(played)) {
            t.reached = false;
            ++unreached_;
        }
    }
}

// Plays every route of this stage that met spikes or flow; a target whose
// route runs out of power is not reached after all. True when one is dropped.
bool RouteSearch::dropPowerlessRoutes(const Snapshot& state) {
    bool dropped = false;
    for (const auto& [t, node] : hazardRoutes_) {
        // The game ends the mission in the frame the power runs out: nothing
        // after it (such as the exit's touch) may overwrite the failure.
        for (std::uint8_t keys : pathTo(node)) {
            playRouteFrame(keys);
            if (game.missionResult != 0) break;
        }
        if (game.missionResult == 0) playRouteFrame(0);
        if (game.missionResult == missionFailed && targets_[t].reached) {
            if (nodes_[node].contact < powerShort_[t].contact) powerShort_[t] = Deadly{nodes_[node].contact, stagePower_};
            targets_[t].reached = false;
            ++unreached_;
            dropped = true;
            powerLost_ = true;
        }
        state.restore();
    }
    return dropped;
}

// Stage after stage until nothing is left to find or no map change helps. A
// stage whose fewest-frames routes (or beam plans) run out of power in hazards
// is searched again by the fewest contacts with them.
void RouteSearch::run() {
    Snapshot start;
    start.save();
    runStages();
    // The pass that proves must count every route, whatever it touches.
    leastContact_ = false;
    if (changeableMap_ && unreached_ > 0 && !gaveUp_ && !everyTargetLeftProvenOut()) {
        // The chain took the nearest change first; other orders may reach more.
        // The reasons read the game as the chain left it, unless only an order
        // met the objective.
        Snapshot end;
        end.save();
        const bool objectiveMet = game.objectiveMet != 0;
        if (!searchOrders(start) || objectiveMet) end.restore();
        return;
    }
    if (changeableMap_ || maxFrames_ > 0 || gaveUp_ || unreached_ == 0) return;
    // A map without doors, keys, breakable cells, generators or barriers never
    // changes under the player: one search from the start over every state,
    // power ignored and no branch ended by what it touches, takes in every
    // route; what it never touches is out of reach.
    Snapshot end;
    end.save();
    start.restore();
    relaxedPass_ = true;
    searchStage(currentPos(), 0, true);
    relaxedPass_ = false;
    relaxedDone_ = true;
    end.restore();
}

// The staged search itself: see run().
void RouteSearch::runStages() {
    // The first stage searches the whole map: what is reachable only before
    // the nearest change must be found then. A start on a key changes the map
    // in the first frame, so the stage after it is the first real one.
    int wholeStage = 0;
    // Every stage plays one map change, which takes a cell away for good, so
    // the stages end; only the budget of states can stop them early.
    for (int stage = 0;; ++stage) {
        if (statesSearched_ > stateBudget_) {
            gaveUp_ = true;
            return;
        }
        Snapshot state;
        state.save();
        const std::size_t played = chain_.size();
        const int boxFrame = boxFrame_;
        bool changed = false;
        for (int attempt = 0; attempt < 2 && !changed; ++attempt) {
            leastContact_ = attempt == 1;
            outOfPower_ = false;
            searchStage(currentPos(), static_cast<int>(played), stage == wholeStage || leastContact_);
            statesSearched_ += static_cast<long long>(nodes_.size());
            if (stage == wholeStage && nodes_.size() == 1 && nodes_[0].terminal) wholeStage = stage + 1;
            state.restore();
            const bool dropped = dropPowerlessRoutes(state);
            if (!somethingLeft()) return;
            if (dropped && !leastContact_) continue;
            changed = chooseAndApply();
            changesMade_ += changed ? 1 : 0;
            if (!changed) {
                if (game.missionResult != missionFailed && !outOfPower_) return;
                rewind(state, played, boxFrame);
                powerLost_ = true;
            }
        }
        leastContact_ = false;
        if (!changed || game.missionResult != 0) return;
    }
}

}  // namespace routesearch
