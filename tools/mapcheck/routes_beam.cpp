// Beam plans: how the player breaks a block or a generator with the streamer
// from a standing place, and the charge that takes.
#include "mapcheck/routes_search.h"

namespace routesearch {

int RouteSearch::beamSupply() const {
    if (player.diamonds <= 0) return 0;
    return beamFramesPerDiamond * (player.diamonds - 1) + player.streamerDrain + 1;
}

// The first solid cell the beam at `angle` meets from position p: its column,
// row in hitY; -1 none. When that cell breaks, the next solid cell along the
// same line goes to (behindX, behindY) if asked for (-1 none).
int RouteSearch::firstSolidAlong(const Pos& p, int angle, int& hitY, int* behindX, int* behindY) const {
    const int a = (angle % 360) / 2;
    int firstX = -1;
    if (behindX) *behindX = -1;
    for (int i = 0; i < 19; ++i) {
        const int x = cellOf(p.px + segments_[a][i][0]);
        const int y = cellOf(p.py + segments_[a][i][1]);
        const MapCell& cell = cellAt(x, y);
        if (cell.tile == 0 || contactKindOf(cell.tile) != contactKind::solid) continue;
        if (firstX < 0) {
            firstX = x;
            hitY = y;
            if (!behindX || cell.block >= 0) return firstX;
        } else if (x != firstX || y != hitY) {
            *behindX = x;
            *behindY = y;
            return firstX;
        }
    }
    return firstX;
}

// The cheapest beam plan for block (bx, by) from this stage's standing nodes.
bool RouteSearch::planBreak(int bx, int by, BreakPlan& plan, int& shortOfDiamonds) {
    bool found = false;
    for (int cy = std::max(0, by - 6); cy <= std::min(gridSize - 1, by + 6); ++cy) {
        for (int cx = std::max(0, bx - 6); cx <= std::min(gridSize - 1, bx + 6); ++cx) {
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t n = standNodes_[(cy * gridSize + cx) * 3 + k];
                if (n == noParent) break;
                found = planFromNode(n, bx, by, plan, found, shortOfDiamonds) || found;
            }
        }
    }
    return found;
}

// Improves `plan` (when `found`, else makes one) with a beam on (bx, by) from
// standing node n; true when it did. A hit the charge cannot pay for lowers
// shortOfDiamonds (0: none yet) to the beam frames it takes.
bool RouteSearch::planFromNode(std::uint32_t n, int bx, int by, BreakPlan& plan, bool found, int& shortOfDiamonds) {
    if (found && nodes_[n].depth + 4 >= plan.frames) return false;
    bool improved = false;
    const Pos s = decode(nodes_[n].key);
    const std::int32_t target = targetAt_[by * gridSize + bx];
    const bool generator = target >= 0 && targets_[target].kind == Kind::generator;
    for (std::uint8_t tap : {rightKey, leftKey}) {
        const Pos p1 = advance(s, flagsAt(s), tap);
        if (p1.jump != 0 || p1.crouch != 0 || !(flagsAt(p1) & flagGround)) continue;
        const int dxc = 32 * bx - 16 - (p1.px + 28), dyc = 32 * by - 16 - (p1.py + 22);
        if (dxc * dxc + dyc * dyc > 180 * 180) continue;
        const int a0 = tap == rightKey ? 0 : 180;
        for (int steps = 0; steps <= 90; ++steps) {
            const int frames = nodes_[n].depth + steps + 4;
            if ((found || improved) && frames >= plan.frames) break;
            std::uint8_t steer = 0;
            for (std::uint8_t dir : {rightKey, leftKey}) {
                const int angle = dir == rightKey ? a0 + 2 * steps : a0 + 360 - 2 * steps;
                int hy = 0, behindX = -1, behindY = -1;
                const int hx = firstSolidAlong(p1, angle, hy, generator ? &behindX : nullptr, &behindY);
                if (hx == bx && hy == by) {
                    steer = dir;
                    break;
                }
                // A crate in this line hides the generator: breaking it opens the line.
                if (generator && behindX == bx && behindY == by && mapCell(hx, hy).tile == tileCode::breakable &&
                    std::find(lineBlockers_.begin(), lineBlockers_.end(), std::pair{hx, hy}) == lineBlockers_.end())
                    lineBlockers_.push_back({hx, hy});
            }
            if (!steer) continue;
            if (generator) beamLineSeen_[target] = 1;
            if (steps + 3 > stageSupply_) {
                if (shortOfDiamonds == 0 || steps + 3 < shortOfDiamonds) shortOfDiamonds = steps + 3;
                break;
            }
            // Standing in spikes or flow, every frame of the beam costs contacts
            // too. (The fewest-frames search counts no crystal on the way: its
            // plans are played to find their cost.)
            if (leastContact_ && nodes_[n].contact + (steps + 3) * hazardContacts(p1) > contactBudget_) break;
            plan = BreakPlan{bx, by, n, tap, steer, steps, frames};
            improved = true;
            break;
        }
    }
    return improved;
}

// Plays a beam plan: the route to its node, the tap, the beam until the block goes.
bool RouteSearch::applyBreak(const BreakPlan& plan) {
    if (!playPath(plan.node) || !playChainFrame(plan.tap)) return false;
    if (!playChainFrame(beamKey)) return false;
    for (int i = 0; i < plan.steps; ++i)
        if (!playChainFrame(beamKey | plan.steer)) return false;
    for (int i = 0; i < 8 && mapCell(plan.cellX, plan.cellY).tile != 0; ++i)
        if (!playChainFrame(beamKey)) return false;
    // A frame with no keys puts the beam away: the search's states never have it on.
    return mapCell(plan.cellX, plan.cellY).tile == 0 && playChainFrame(0);
}

}  // namespace routesearch
