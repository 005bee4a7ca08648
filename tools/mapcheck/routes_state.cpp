// The route search's player states: loading the map, the game's own
// movement and contact per state, and what a state touches.
#include "mapcheck/routes_search.h"

#include <iterator>

#include "platform/utf8_path.h"

void loadRouteMap(const std::vector<std::uint8_t>& bmp, int mission) {
    resetGameState();
    game.missionNumber = mission;
    resetMissionState();
    player.streamerDrain = 20;
    loadLevelMapBytes(bmp.data(), bmp.size());
    resetEnemies();  // enemies are left out of the search
    view.offsetX = 0;
    view.offsetY = 0;
    buildSolidList();
}

void loadRouteMap(const std::string& file, int mission) {
    std::ifstream in(pathOfUtf8(file), std::ios::binary);
    loadRouteMap(std::vector<std::uint8_t>{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, mission);
}

namespace routesearch {

bool RouteSearch::load(const std::vector<std::uint8_t>& bmp) {
    loadRouteMap(bmp, mission_);
    startX_ = view.startCellX + 10;
    startY_ = view.startCellY + 10;

    pxMin_ = -margin;
    pyMin_ = -margin;
    pxMax_ = 32 * mapWidth + margin;
    pyMax_ = 32 * mapHeight + 64;
    columns_ = static_cast<std::size_t>(pxMax_ - pxMin_) / 2 + 1;
    rows_ = static_cast<std::size_t>(pyMax_ - pyMin_) / 2 + 1;

    targetAt_.assign(gridSize * gridSize, -1);
    for (int y = 0; y < mapHeight; ++y) {
        for (int x = 0; x < mapWidth; ++x) {
            const std::uint8_t tile = mapCell(x, y).tile;
            Target t{Kind::diamond, x, y, tile};
            switch (tile) {
                case tileCode::diamond: t.kind = Kind::diamond; break;
                case tileCode::crystal: t.kind = Kind::crystal; break;
                case tileCode::keyA: t.kind = Kind::keyA; break;
                case tileCode::keyB: t.kind = Kind::keyB; break;
                case tileCode::hostage: t.kind = Kind::hostage; t.objective = mission_ == 2; break;
                case tileCode::generator1:
                case tileCode::generator3:
                    if (mission_ != 1) continue;
                    t.kind = Kind::generator;
                    t.objective = true;
                    break;
                default: continue;
            }
            targetAt_[y * gridSize + x] = static_cast<std::int32_t>(targets_.size());
            targets_.push_back(t);
        }
    }
    if (mission_ == 1 || mission_ == 2) targets_.push_back(Target{Kind::exitBeam, startX_, -1, tileCode::exitBeam, false});
    unreached_ = static_cast<int>(targets_.size());
    touchedRelaxed_.assign(targets_.size(), 0);
    startDiamonds_ = player.diamonds;
    for (int y = 0; y < mapHeight; ++y) {
        for (int x = 0; x < mapWidth; ++x) {
            switch (mapCell(x, y).tile) {
                case tileCode::breakable: case tileCode::generator1: case tileCode::generator3:
                case tileCode::doorA: case tileCode::doorB: case tileCode::keyA: case tileCode::keyB:
                case tileCode::barrier:
                    changeableMap_ = true;
                    break;
                default: break;
            }
        }
    }
    beamShort_.assign(targets_.size(), 0);
    beamLineSeen_.assign(targets_.size(), 0);
    startTile_.assign(gridSize * gridSize, 0);
    for (int y = 0; y < mapHeight; ++y)
        for (int x = 0; x < mapWidth; ++x) startTile_[y * gridSize + x] = mapCell(x, y).tile;
    for (std::vector<Deadly>& d : deadly_) d.assign(gridSize * gridSize, Deadly{});
    powerShort_.assign(targets_.size(), Deadly{});
    everReached_.assign(gridSize * gridSize, 0);
    highestTop_.assign(gridSize, INT_MAX);
    highestAfter_.assign(gridSize, INT_MAX);

    for (int a = 0; a < 180; ++a) {
        for (int i = 2; i <= 20; ++i) {
            std::int32_t sx, sy;
            streamerSegment(2 * a, i, sx, sy);
            segments_[a][i - 2][0] = sx + 8 - playerScreenX;
            segments_[a][i - 2][1] = sy + 8 - playerScreenY;
        }
    }
    return true;
}

// The collision flags of a position, from the game's own test against every
// solid cell that a trial box can meet; cached per stage.
std::uint8_t RouteSearch::flagsAt(const Pos& p) {
    std::uint64_t& bits = record(p).box[p.crouch != 0];
    if (bits >> flagShift & flagKnown) return static_cast<std::uint8_t>(bits >> flagShift);
    placeView(p.px, p.py);
    player.crouching = p.crouch;
    choosePlayerBox();
    clearCollisionFlags();
    const int vx = p.px - playerScreenX, vy = p.py - playerScreenY;
    for (int y = cellOf(p.py - 2); y <= cellOf(p.py + 65); ++y) {
        for (int x = cellOf(p.px - 2); x <= cellOf(p.px + 53); ++x) {
            const int tile = cellAt(x, y).tile;
            if (tile != 0 && contactKindOf(tile) == contactKind::solid)
                testSolidContact(Contact{x, y, 32 * x - 32 - vx, 32 * y - 32 - vy, contactKind::solid});
        }
    }
    const auto flags = static_cast<std::uint8_t>(flagKnown | (player.blockedRight ? flagRight : 0) |
                                                 (player.blockedLeft ? flagLeft : 0) |
                                                 (player.blockedAbove ? flagAbove : 0) | (player.onGround ? flagGround : 0));
    bits |= std::uint64_t{flags} << flagShift;
    return flags;
}

// One frame of the game's own movement from `from` with `keys` held.
Pos RouteSearch::advance(const Pos& from, std::uint8_t flags, std::uint8_t keys) {
    placeView(from.px, from.py);
    player.crouching = from.crouch;
    player.jumpLeft = from.jump;
    player.blockedRight = (flags & flagRight) != 0;
    player.blockedLeft = (flags & flagLeft) != 0;
    player.blockedAbove = (flags & flagAbove) != 0;
    player.onGround = (flags & flagGround) != 0;
    player.streamerOn = 0;
    applyPlayerInput(inputOf(keys));
    jumpRise();
    applyGravity();
    normalizeView();
    return currentPos();
}

std::vector<std::uint8_t> RouteSearch::pathTo(std::uint32_t index) const {
    std::vector<std::uint8_t> keys;
    for (std::uint32_t i = index; nodes_[i].parent != noParent; i = nodes_[i].parent) keys.push_back(nodes_[i].keys);
    std::reverse(keys.begin(), keys.end());
    return keys;
}

void RouteSearch::recordRoute(Target& t, const std::vector<std::uint8_t>& tail, int frames, std::uint32_t node) {
    if (keepTrails_) {
        t.trail = chainTrail_;
        std::vector<std::pair<int, int>> tailTrail;
        for (std::uint32_t i = node; i != noParent && nodes_[i].parent != noParent; i = nodes_[i].parent) {
            const Pos p = decode(nodes_[i].key);
            tailTrail.push_back({p.px + 26, p.py + 32});
        }
        t.trail.insert(t.trail.end(), tailTrail.rbegin(), tailTrail.rend());
    }
    if (t.kind == Kind::diamond) everDiamond_ = true;
    if (!t.reached) --unreached_;
    t.reached = true;
    t.frames = frames;
    if (keepKeys_) {
        t.keys = chain_;
        t.keys.insert(t.keys.end(), tail.begin(), tail.end());
        t.keys.resize(static_cast<std::size_t>(frames), 0);
    }
    t.boxFrame = boxFrame_;
}

// The targets the player's box touches at node `index` (the next frame's
// contact pass); keys not yet held, hostages of mission 2 and the exit end
// the node's branch, since they change the map or end the mission.
void RouteSearch::noteTouched(std::uint32_t index, const Pos& p) {
    const HitBox& box = p.crouch ? playerCrouchingBox : playerStandingBox;
    const int x0 = std::max(0, cellOf(p.px + box.dx)), x1 = std::min(gridSize - 1, cellOf(p.px + box.dx + box.w));
    const int y0 = std::max(0, cellOf(p.py + box.dy)), y1 = std::min(gridSize - 1, cellOf(p.py + box.dy + box.h));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const std::uint8_t tile = mapCell(x, y).tile;
            int t = targetAt_[y * gridSize + x];
            if (tile == tileCode::exitBeam) t = static_cast<int>(targets_.size()) - 1;
            if (t < 0 || targets_[t].kind == Kind::generator) continue;
            Target& target = targets_[t];
            if (tile != target.tile) continue;
            if (cornerTest(32 * x - 32, 32 * y - 32, p.px, p.py, tileBox, box) == 0) continue;
            if (relaxedPass_) {
                touchedRelaxed_[t] = 1;
                continue;
            }
            // Searching by contact, a crystal that gives a lost cell back changes
            // what the rest of the route may touch: it is played, as a key is.
            const bool event = target.kind == Kind::exitBeam || (target.kind == Kind::hostage && mission_ == 2) ||
                               (target.kind == Kind::keyA && game.doorKeys[0] == 0) ||
                               (target.kind == Kind::keyB && game.doorKeys[1] == 0) ||
                               (leastContact_ && target.kind == Kind::crystal &&
                                powerAfter(nodes_[index].contact) < maxPower);
            if (event && !nodes_[index].terminal) {
                nodes_[index].terminal = 1;
                if (target.kind != Kind::exitBeam) events_.push_back(index);
            }
            if (stageTouch_[t] < 0) stageTouch_[t] = static_cast<std::int32_t>(index);
            if (target.reached) continue;
            recordRoute(target, keepKeys_ ? pathTo(index) : std::vector<std::uint8_t>{}, nodes_[index].depth + 1, index);
            if (nodes_[index].contact > 0) hazardRoutes_.push_back({t, index});
        }
    }
}

// The spikes and flow cells the player's box touches at p: the hazard count
// the next frame's contact pass adds.
int RouteSearch::hazardContacts(const Pos& p) const {
    const HitBox& box = p.crouch ? playerCrouchingBox : playerStandingBox;
    const int x0 = std::max(0, cellOf(p.px + box.dx)), x1 = std::min(gridSize - 1, cellOf(p.px + box.dx + box.w));
    const int y0 = std::max(0, cellOf(p.py + box.dy)), y1 = std::min(gridSize - 1, cellOf(p.py + box.dy + box.h));
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (contactKindOf(mapCell(x, y).tile) == contactKind::hazard &&
                cornerTest(32 * x - 32, 32 * y - 32, p.px, p.py, tileBox, box) != 0)
                ++n;
    return n;
}

// The power left after `contact` more hazard touches in this stage (below 0: the mission is lost).
int RouteSearch::powerAfter(int contact) const { return stagePower_ - (stageTicks_ + contact) / hazardTicksPerPower; }

// One search step: the game's movement for the flags, jump counter and keys,
// which is the same at every position, so each case is asked of the game once.
Pos RouteSearch::step(const Pos& p, std::uint8_t flags, int choice) {
    Move& m = moves_[((flags & 15) * 64 + ((p.jump + 1) >> 1)) * 8 + choice];
    if (!m.known) {
        const Pos n = advance(p, flags, choiceKeys[choice]);
        m = Move{static_cast<std::int8_t>(n.px - p.px), static_cast<std::int8_t>(n.py - p.py),
                 static_cast<std::uint8_t>(n.jump), static_cast<std::uint8_t>(n.crouch), 1};
    }
    return {p.px + m.dx, p.py + m.dy, m.jump, m.crouch};
}

// Notes the cells the player's body is in at p, and how high its box gets over each column.
void RouteSearch::noteReached(const Pos& p, bool afterObjective) {
    for (int body : {16, 48}) {
        const int cx = cellOf(p.px + 26), cy = cellOf(p.py + body);
        if (cx >= 0 && cy >= 0 && cx < gridSize && cy < gridSize) reachedCell_[cy * gridSize + cx] = 1;
    }
    const HitBox& box = p.crouch ? playerCrouchingBox : playerStandingBox;
    const int top = p.py + box.dy;
    const int x0 = std::max(0, cellOf(p.px + box.dx)), x1 = std::min(gridSize - 1, cellOf(p.px + box.dx + box.w));
    for (int x = x0; x <= x1; ++x) {
        highestTop_[x] = std::min(highestTop_[x], top);
        if (afterObjective) highestAfter_[x] = std::min(highestAfter_[x], top);
    }
    // The cells the box is over, less the few pixels by which it may lean on a wall or sink into a floor.
    constexpr int lean = 4;
    const int cx0 = std::max(0, cellOf(p.px + box.dx + lean)), cx1 = std::min(gridSize - 1, cellOf(p.px + box.dx + box.w - lean));
    const int cy0 = std::max(0, cellOf(top + lean)), cy1 = std::min(gridSize - 1, cellOf(top + box.h - lean));
    for (int y = cy0; y <= cy1; ++y)
        for (int x = cx0; x <= cx1; ++x) everReached_[y * gridSize + x] = 1;
}

// Keeps the first three standing nodes of each cell for the beam's plans.
void RouteSearch::addStandNode(std::uint32_t index, const Pos& p) {
    const int cx = cellOf(p.px + 26), cy = cellOf(p.py + 32);
    if (cx < 0 || cy < 0 || cx >= gridSize || cy >= gridSize) return;
    std::uint32_t* slot = &standNodes_[(cy * gridSize + cx) * 3];
    int k = 0;
    while (k < 3 && slot[k] != noParent) ++k;
    if (k == 3) return;
    slot[k] = index;
    // The generators in the beam's reach get their plans from here.
    for (std::size_t g = 0; g < targets_.size(); ++g) {
        const Target& t = targets_[g];
        if (t.kind != Kind::generator || std::abs(t.x - cx) > 6 || std::abs(t.y - cy) > 6) continue;
        if (mapCell(t.x, t.y).tile == 0) continue;
        if (planFromNode(index, t.x, t.y, generatorPlans_[g], generatorPlanned_[g], beamShort_[g]))
            generatorPlanned_[g] = 1;
    }
}

}  // namespace routesearch
