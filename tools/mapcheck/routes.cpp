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
// breakable block next to cells not yet reached) played frame by frame through
// the game's contact pass, streamer and objective check, which also counts the
// diamonds and power for real; the next stage starts where that event left the
// player. Enemies are left out. Every route that meets spikes or flow is
// played for real, so the power it costs is counted; when the fewest-frames
// routes run out of it, the stage is searched again keeping off hazards.
//
// For a target out of reach the search tells what it saw: the open cells
// around the target joined into areas (with doors of one letter, or the
// breakable blocks, counted as closed or not) and whether an area holds a
// place the player has been; whether a diamond was ever picked up; and how
// high the top of the player's box came over each column.
#include "mapcheck/routes.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "platform/platform.h"
#include "platform/utf8_path.h"
#include "play/collide.h"
#include "play/enemies.h"
#include "play/pickups.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "world/catalogue.h"

namespace {

// Keys held in one frame, as a mask.
constexpr std::uint8_t leftKey = 1, rightKey = 2, upKey = 4, downKey = 8, beamKey = 16;
constexpr const char* keyNames[5] = {"left", "right", "up", "down", "x"};

// The keys tried in a frame: all seven on the ground, the first three in the air.
constexpr std::uint8_t choiceKeys[7] = {0, leftKey, rightKey, upKey, upKey | leftKey, upKey | rightKey, downKey};

// Collision flags packed: the four flags of the player's record.
constexpr std::uint8_t flagRight = 1, flagLeft = 2, flagAbove = 4, flagGround = 8, flagKnown = 16;

constexpr int margin = 256;    // pixels around the map in which the player is still followed
constexpr int maxStages = 64;  // map changes tried before giving up
constexpr int beamFramesPerDiamond = 21;

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int cellOf(int world) { return floorDiv(world + 32, 32); }  // the cell column (or row) of a world pixel

// The player's keys of a frame held as `keys`; a route never fires.
PlayerInput inputOf(std::uint8_t keys) {
    PlayerInput input{};
    input.left = (keys & leftKey) != 0;
    input.right = (keys & rightKey) != 0;
    input.up = (keys & upKey) != 0;
    input.down = (keys & downKey) != 0;
    input.beam = (keys & beamKey) != 0;
    return input;
}

struct Pos {
    int px, py, jump, crouch;
    bool operator==(const Pos&) const = default;
};

// Sets the view so that the player's world position is (px, py), offsets 0..31.
void placeView(int px, int py) {
    const int vx = px - playerScreenX, vy = py - playerScreenY;
    view.cellX = -floorDiv(-vx, 32);
    view.offsetX = 32 * view.cellX - vx;
    view.cellY = floorDiv(vy, 32);
    view.offsetY = vy - 32 * view.cellY;
}

Pos currentPos() {
    return {32 * view.cellX - view.offsetX + playerScreenX, 32 * view.cellY + view.offsetY + playerScreenY,
            player.jumpLeft, player.crouching};
}

// One frame of the game itself with `keys` held, without drawing (the enemies
// were left out when the map was loaded). True in the frame the objective is met.
bool playRouteFrame(std::uint8_t keys) {
    const bool metBefore = game.objectiveMet != 0;
    playFrame(FrameInput{inputOf(keys), false, false}, Drawing::off);
    return !metBefore && game.objectiveMet != 0;
}

// Everything a played frame changes, so a failed try can be taken back.
struct Snapshot {
    std::unique_ptr<MapGrid> grid = std::make_unique<MapGrid>();
    View view{};
    PlayerState player{};
    HitBox box{};
    GameState game{};
    void save() {
        *grid = mapGrid;
        view = ::view;
        player = ::player;
        box = playerBox;
        game = ::game;
    }
    void restore() const {
        mapGrid = *grid;
        ::view = view;
        ::player = player;
        playerBox = box;
        ::game = game;
        buildSolidList();
    }
};

// What the search keeps per position (2 pixels apart): for the standing and
// the crouching box, the jump counters met there (bits 0..57) and the
// collision flags once asked (bits 58..62). Allocated zeroed once, so the
// pages of positions never reached cost nothing; each stage clears what the
// last one wrote.
struct PositionRecord {
    std::uint64_t box[2];
};
// Asks for large pages under [p, p + bytes): a hint, which changes no content.
void preferLargePages(void* p, std::size_t bytes) {
    constexpr std::uintptr_t large = std::uintptr_t{2} << 20;
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(p) + large - 1) & ~(large - 1);
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(large - 1);
#ifdef __linux__
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)from, (void)to;
#endif
}

struct FreeDeleter {
    void operator()(PositionRecord* p) const { std::free(p); }
};
constexpr int flagShift = 58;

enum class Kind { generator, hostage, keyA, keyB, diamond, crystal, exitBeam };

const char* kindName(Kind k) {
    switch (k) {
        case Kind::generator: return "generator";
        case Kind::hostage: return "hostage";
        case Kind::keyA: return "key A";
        case Kind::keyB: return "key B";
        case Kind::diamond: return "diamond";
        case Kind::crystal: return "power crystal";
        case Kind::exitBeam: return "exit beam";
    }
    return "";
}

const char* fileStem(Kind k) {
    switch (k) {
        case Kind::generator: return "generator";
        case Kind::hostage: return "hostage";
        case Kind::keyA: return "key-a";
        case Kind::keyB: return "key-b";
        case Kind::diamond: return "diamond";
        case Kind::crystal: return "crystal";
        case Kind::exitBeam: return "exit";
    }
    return "";
}

struct Target {
    Kind kind;
    int x, y;
    std::uint8_t tile;
    bool objective = false;
    bool reached = false;
    int frames = 0;                 // frame of the touch (or of the break), counted from the mission start
    std::vector<std::uint8_t> keys; // keys held in frames 1..frames
    std::vector<std::pair<int, int>> trail;  // the player's centre frame by frame, when kept
    int boxFrame = 0;               // frame in which the objective's text box shows, 0 none before
};

struct Node {
    std::uint32_t key;
    std::uint32_t parent;
    std::int32_t depth;  // frames played from the mission start
    std::uint8_t keys;   // keys held in the frame that led here
    std::uint8_t terminal;
    std::uint8_t hazard;  // the route here touched spikes or flow
};

// A way to break one block from a standing node: tap a direction (to face it),
// switch the beam on, steer `steps` frames, hold until the third hit.
struct BreakPlan {
    int cellX = 0, cellY = 0;
    std::uint32_t node = 0;
    std::uint8_t tap = 0;
    std::uint8_t steer = 0;
    int steps = 0;
    int frames = 0;  // total, from the mission start
};

class RouteSearch {
public:
    RouteSearch(int mission, bool keepKeys, bool keepTrails, int maxFrames, std::ostream& out)
        : mission_(mission), keepKeys_(keepKeys), keepTrails_(keepTrails), maxFrames_(maxFrames), out_(out) {}

    bool load(const std::string& file);
    void run();
    RouteResult report(const RouteOptions& options);

private:
    // ---- states
    std::uint32_t encode(const Pos& p) const {
        if (p.px < pxMin_ || p.py < pyMin_ || p.px >= pxMax_ || p.py >= pyMax_) return invalid;
        const std::uint32_t x = static_cast<std::uint32_t>(p.px - pxMin_) >> 1;
        const std::uint32_t y = static_cast<std::uint32_t>(p.py - pyMin_) >> 1;
        const std::uint32_t j = static_cast<std::uint32_t>(p.jump + 1) >> 1;
        return x | y << 12 | j << 24 | static_cast<std::uint32_t>(p.crouch != 0) << 30;
    }
    Pos decode(std::uint32_t k) const {
        const int j = static_cast<int>((k >> 24) & 63);
        return {pxMin_ + 2 * static_cast<int>(k & 4095), pyMin_ + 2 * static_cast<int>((k >> 12) & 4095),
                j == 0 ? 0 : 2 * j - 1, static_cast<int>(k >> 30)};
    }
    // The record of a position; the first use in a stage notes it for clearing.
    PositionRecord& record(const Pos& p) {
        const std::size_t index = (static_cast<std::size_t>(p.py - pyMin_) >> 1) * columns_ +
                                  (static_cast<std::size_t>(p.px - pxMin_) >> 1);
        PositionRecord& r = positions_.get()[index];
        if (r.box[0] == 0 && r.box[1] == 0) used_.push_back(static_cast<std::uint32_t>(index));
        return r;
    }
    // False when the state was met before in this stage.
    bool firstVisit(const Pos& p) {
        std::uint64_t& bits = record(p).box[p.crouch != 0];
        const std::uint64_t bit = std::uint64_t{1} << ((p.jump + 1) >> 1);
        if (bits & bit) return false;
        bits |= bit;
        return true;
    }

    std::uint8_t flagsAt(const Pos& p);
    Pos advance(const Pos& from, std::uint8_t flags, std::uint8_t keys);
    void searchStage(const Pos& start, int depth, bool whole);
    Pos step(const Pos& p, std::uint8_t flags, int choice);
    void addStandNode(std::uint32_t index, const Pos& p);
    void noteTouched(std::uint32_t index, const Pos& p);
    std::vector<std::uint8_t> pathTo(std::uint32_t index) const;
    void recordRoute(Target& t, const std::vector<std::uint8_t>& tail, int frames, std::uint32_t node);
    void noteReached(const Pos& p, bool afterObjective);
    std::string reason(const Target& t);
    void labelAreas();

    // ---- events
    bool chooseAndApply();
    void rewind(const Snapshot& state, std::size_t played, int boxFrame);
    bool dropPowerlessRoutes(const Snapshot& state);
    bool playPath(std::uint32_t index);
    bool applyPath(std::uint32_t index);
    bool planBreak(int bx, int by, BreakPlan& plan, int& shortOfDiamonds);
    bool planFromNode(std::uint32_t n, int bx, int by, BreakPlan& plan, bool found, int& shortOfDiamonds);
    bool applyBreak(const BreakPlan& plan);
    bool playChainFrame(std::uint8_t keys);
    bool frontier(int bx, int by) const;
    int beamSupply() const;
    bool somethingLeft() const;
    int firstSolidAlong(const Pos& p, int angle, int& hitY) const;

    static constexpr std::uint32_t invalid = 0xFFFFFFFFu;
    static constexpr std::uint32_t noParent = 0xFFFFFFFFu;

    int mission_;
    bool keepKeys_;  // the keys of every route, for the scripts
    bool keepTrails_;  // the positions of every route, for the picture
    int maxFrames_;  // routes longer than this are not searched (0: no bound)
    std::ostream& out_;
    int startX_ = 0, startY_ = 0;
    int pxMin_ = 0, pyMin_ = 0, pxMax_ = 0, pyMax_ = 0;
    std::size_t columns_ = 0, rows_ = 0;
    std::unique_ptr<PositionRecord[], FreeDeleter> positions_;
    std::vector<std::uint32_t> used_;  // records written in this stage
    std::vector<Node> nodes_;
    std::vector<Target> targets_;
    std::vector<std::int32_t> targetAt_;  // [y * gridSize + x], -1 none
    std::vector<std::int32_t> stageTouch_;  // first node of this stage touching each target
    std::vector<std::uint8_t> reachedCell_;  // cells the player's body was in during this stage
    std::vector<std::pair<int, std::uint32_t>> hazardRoutes_;  // targets whose route met hazards, and its node
    std::vector<std::uint32_t> events_;      // nodes touching a key or hostage that changes the map, in search order
    std::vector<std::uint32_t> standNodes_;  // [cell * 3 + k]: first standing nodes per cell
    std::vector<std::uint8_t> chain_;        // keys of the frames played so far
    std::vector<std::pair<int, int>> chainTrail_;  // the player's centre after each of them, when kept
    std::vector<std::uint8_t> everReached_;  // [y * gridSize + x]: cells the box was over at any stage
    // Per cell column: the highest top of the player's box over it at any
    // stage, and at the stages after the objective (INT_MAX none).
    std::vector<int> highestTop_, highestAfter_;
    // Areas of open cells joined up, per way of counting cells as closed
    // (walls only; also doors A; also doors B; also breakable blocks), and
    // whether each area holds a cell the player has been in.
    static constexpr int areaWays = 4;
    std::vector<std::int32_t> area_[areaWays];
    std::vector<std::uint8_t> areaReached_[areaWays];
    std::map<std::pair<int, std::int32_t>, std::pair<int, int>> doorOfArea_;  // (letter, area): a door next to it
    bool everDiamond_ = false;               // some diamond was picked up
    int boxFrame_ = 0;                       // frame in which the objective was met
    bool powerLost_ = false;                 // a fewest-frames route ran out of power in hazards
    bool gaveUp_ = false;
    bool avoidHazards_ = false;              // this search keeps off spikes and flow
    int segments_[180][19][2];  // streamer segment centres relative to the player, per even angle
    struct Move {
        std::int8_t dx, dy;
        std::uint8_t jump, crouch, known;
    };
    Move moves_[16 * 64 * 8] = {};
    std::vector<BreakPlan> generatorPlans_;  // per target: the cheapest beam plan found this stage
    std::vector<std::uint8_t> generatorPlanned_;
    std::vector<int> beamShort_;             // per target: the fewest beam frames a plan lacked the charge for
    int stageSupply_ = 0;                    // beam frames the diamonds held at the stage's start feed
    int unreached_ = 0;                      // targets without a route yet
};

bool RouteSearch::load(const std::string& file) {
    resetGameState();
    game.missionNumber = mission_;
    resetMissionState();
    player.streamerDrain = 20;
    const std::string path = utf8OfPath(std::filesystem::absolute(pathOfUtf8(file)));
    loadLevelMapFile(path.c_str());
    resetEnemies();  // enemies are left out of the search
    view.offsetX = 0;
    view.offsetY = 0;
    buildSolidList();
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
    beamShort_.assign(targets_.size(), 0);
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
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (contactKindOf(mapCell(x, y).tile) == contactKind::hazard &&
                cornerTest(32 * x - 32, 32 * y - 32, p.px, p.py, tileBox, box) != 0)
                nodes_[index].hazard = 1;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const std::uint8_t tile = mapCell(x, y).tile;
            int t = targetAt_[y * gridSize + x];
            if (tile == tileCode::exitBeam) t = static_cast<int>(targets_.size()) - 1;
            if (t < 0 || targets_[t].kind == Kind::generator) continue;
            Target& target = targets_[t];
            if (tile != target.tile) continue;
            if (cornerTest(32 * x - 32, 32 * y - 32, p.px, p.py, tileBox, box) == 0) continue;
            const bool event = target.kind == Kind::exitBeam || (target.kind == Kind::hostage && mission_ == 2) ||
                               (target.kind == Kind::keyA && game.doorKeys[0] == 0) ||
                               (target.kind == Kind::keyB && game.doorKeys[1] == 0);
            if (event && !nodes_[index].terminal) {
                nodes_[index].terminal = 1;
                if (target.kind != Kind::exitBeam) events_.push_back(index);
            }
            if (stageTouch_[t] < 0) stageTouch_[t] = static_cast<std::int32_t>(index);
            if (target.reached) continue;
            recordRoute(target, keepKeys_ ? pathTo(index) : std::vector<std::uint8_t>{}, nodes_[index].depth + 1, index);
            if (nodes_[index].hazard) hazardRoutes_.push_back({t, index});
        }
    }
}

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

// Breadth-first over player states from `start` (reached after `depth` frames)
// in the map as it is now: every state is first found by a fewest-frames route.
// Unless `whole`, it stops once the nearest map change is known.
void RouteSearch::searchStage(const Pos& start, int depth, bool whole) {
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
    stageTouch_.assign(targets_.size(), -1);
    reachedCell_.assign(gridSize * gridSize, 0);
    standNodes_.assign(gridSize * gridSize * 3, noParent);
    generatorPlans_.assign(targets_.size(), BreakPlan{});
    generatorPlanned_.assign(targets_.size(), 0);
    stageSupply_ = beamSupply();
    const bool afterObjective = game.objectiveMet != 0;
    const std::uint32_t startKey = encode(start);
    if (startKey == invalid) return;
    firstVisit(start);
    nodes_.push_back(Node{startKey, noParent, depth, 0, 0, 0});
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
        // Keeping off hazards, a route may touch one only in its last frame
        // (or stand in one at the start).
        if (nodes_[i].terminal || (avoidHazards_ && i > 0 && nodes_[i].hazard)) continue;
        if (maxFrames_ > 0 && nodes_[i].depth >= maxFrames_) continue;
        const Pos p = decode(nodes_[i].key);
        noteReached(p, afterObjective);
        const std::uint8_t flags = flagsAt(p);
        if ((flags & flagGround) && p.jump == 0 && p.crouch == 0) addStandNode(i, p);
        // Up and Down act only on the ground; in the air only Left and Right matter.
        const int choices = (flags & flagGround) ? 7 : 3;
        for (int c = 0; c < choices; ++c) {
            const Pos next = step(p, flags, c);
            const std::uint32_t key = encode(next);
            if (key == invalid || !firstVisit(next)) continue;
            const auto index = static_cast<std::uint32_t>(nodes_.size());
            const std::uint8_t hazard = avoidHazards_ && i == 0 ? 0 : nodes_[i].hazard;
            nodes_.push_back(Node{key, i, nodes_[i].depth + 1, choiceKeys[c], 0, hazard});
            noteTouched(index, next);
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

int RouteSearch::beamSupply() const {
    if (player.diamonds <= 0) return 0;
    return beamFramesPerDiamond * (player.diamonds - 1) + player.streamerDrain + 1;
}

// The first solid cell the beam at `angle` meets from position p: its column, row in hitY; -1 none.
int RouteSearch::firstSolidAlong(const Pos& p, int angle, int& hitY) const {
    const int a = (angle % 360) / 2;
    for (int i = 0; i < 19; ++i) {
        const int x = cellOf(p.px + segments_[a][i][0]);
        const int y = cellOf(p.py + segments_[a][i][1]);
        const int tile = cellAt(x, y).tile;
        if (tile != 0 && contactKindOf(tile) == contactKind::solid) {
            hitY = y;
            return x;
        }
    }
    return -1;
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
                int hy = 0;
                if (firstSolidAlong(p1, angle, hy) == bx && hy == by) {
                    steer = dir;
                    break;
                }
            }
            if (!steer) continue;
            if (steps + 3 > stageSupply_) {
                if (shortOfDiamonds == 0 || steps + 3 < shortOfDiamonds) shortOfDiamonds = steps + 3;
                break;
            }
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

bool RouteSearch::somethingLeft() const { return unreached_ > 0; }

// Picks the next map change and plays it: the nearest key, hostage or
// generator; else a breakable block at the edge of the reached cells; else,
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
            if (frontier(x, y) && planBreak(x, y, plan, shortOfDiamonds)) plans.push_back(plan);
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
// stage whose fewest-frames routes run out of power in hazards is searched
// again keeping off them.
void RouteSearch::run() {
    // The first stage searches the whole map: what is reachable only before
    // the nearest change must be found then. A start on a key changes the map
    // in the first frame, so the stage after it is the first real one.
    int wholeStage = 0;
    for (int stage = 0; stage < maxStages; ++stage) {
        Snapshot state;
        state.save();
        const std::size_t played = chain_.size();
        const int boxFrame = boxFrame_;
        bool changed = false;
        for (int attempt = 0; attempt < 2 && !changed; ++attempt) {
            avoidHazards_ = attempt == 1;
            searchStage(currentPos(), static_cast<int>(played), stage == wholeStage || avoidHazards_);
            if (stage == wholeStage && nodes_.size() == 1 && nodes_[0].terminal) wholeStage = stage + 1;
            state.restore();
            const bool dropped = dropPowerlessRoutes(state);
            if (!somethingLeft()) return;
            if (dropped && !avoidHazards_) continue;
            changed = chooseAndApply();
            if (!changed) {
                if (game.missionResult != missionFailed) return;
                rewind(state, played, boxFrame);
                powerLost_ = true;
            }
        }
        avoidHazards_ = false;
        if (!changed || game.missionResult != 0) return;
    }
    gaveUp_ = true;
}

std::string cellText(int x, int y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

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

// Joins the open cells of the map as it is now into areas, once per way of
// counting cells as closed, and marks the areas the player has been in.
void RouteSearch::labelAreas() {
    std::vector<int> todo;
    for (int way = 0; way < areaWays; ++way) {
        std::vector<std::int32_t>& area = area_[way];
        area.assign(gridSize * gridSize, -1);
        areaReached_[way].clear();
        for (int start = 0; start < mapWidth * mapHeight; ++start) {
            const int sx = start % mapWidth, sy = start / mapWidth;
            if (area[sy * gridSize + sx] >= 0 || closedFor(way, mapCell(sx, sy).tile)) continue;
            const auto id = static_cast<std::int32_t>(areaReached_[way].size());
            std::uint8_t reached = 0;
            area[sy * gridSize + sx] = id;
            todo.assign(1, sy * gridSize + sx);
            while (!todo.empty()) {
                const int c = todo.back();
                todo.pop_back();
                reached |= everReached_[c];
                const int x = c % gridSize, y = c / gridSize;
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
        }
    }
}

// The reason the search sees for target t being out of reach, in words.
std::string RouteSearch::reason(const Target& t) {
    int x = t.x, y = t.y;
    std::vector<int>* highest = &highestTop_;
    if (t.kind == Kind::exitBeam) {
        if (game.objectiveMet == 0) return "the objective is never met, so the beam never hangs";
        if (x < 0 || x >= mapWidth) return "the start column lies outside the map";
        y = -1;
        for (int row = 0; row < mapHeight && mapCell(x, row).tile == tileCode::exitBeam; ++row) y = row;
        if (y < 0) return "the beam finds no open cell in its column";
        if (highestAfter_[x] == INT_MAX)
            return "after the objective is met, no route leads back into column " + std::to_string(x);
        highest = &highestAfter_;
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
    if (const int frames = beamShort_[static_cast<std::size_t>(&t - targets_.data())]; frames > 0) {
        // The first diamond feeds the beam drain + 1 frames, each further one 21.
        const int diamonds = (frames + beamFramesPerDiamond - 1) / beamFramesPerDiamond;
        return "in the beam's reach, but it takes " + std::to_string(frames) + " frames of beam (" +
               std::to_string(diamonds) + (diamonds == 1 ? " diamond's" : " diamonds'") +
               " charge), more than the diamonds reached before it hold";
    }
    if (t.kind != Kind::generator) {
        // To touch the cell, the player's box must come up to its bottom over its column.
        const int top = (*highest)[x];
        const int bottom = 32 * y - 32 + tileBox.dy + tileBox.h;
        if (top == INT_MAX) return "no route leads into its column, " + std::to_string(x);
        if (top > bottom) {
            // Standing on a ledge: what counts is how far the feet come short of
            // its top beside it, and how many cells lower would do.
            int ledge = y + 1;
            while (ledge < mapHeight && ledge <= y + 2 && mapCell(x, ledge).block == 0) ++ledge;
            if (ledge < mapHeight && ledge <= y + 2 && mapCell(x, ledge).block != 0) {
                int left = x, right = x;
                while (left > 0 && mapCell(left - 1, ledge).block != 0) --left;
                while (right + 1 < mapWidth && mapCell(right + 1, ledge).block != 0) ++right;
                int beside = INT_MAX;
                for (int d = 1; d <= 3; ++d) {
                    for (const int c : {left - d, right + d})
                        if (c >= 0 && c < mapWidth && mapCell(c, ledge).block == 0)
                            beside = std::min(beside, highestTop_[c]);
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
            return "higher than the jump from every floor nearby, by " + std::to_string(top - bottom) + " pixels";
        }
    }
    return "no reason found: the search reaches the area around it, but no route touches it";
}

// The proof of `t`'s route: a brastor-headless script that plays it on the
// level alone, from its briefing, as `brastor-headless --level` and
// `brastor-playtest --replay` play a level.
void writeScript(const std::string& dir, const std::string& level, const Target& t, int mission, int objectiveFrame) {
    std::string name = fileStem(t.kind);
    if (t.kind != Kind::exitBeam) name += "-" + std::to_string(t.x) + "-" + std::to_string(t.y);
    const std::string file = utf8OfPath(pathOfUtf8(dir) / (name + ".keys"));
    std::ofstream out(pathOfUtf8(file));
    out << "# brastor-mapcheck proof: mission " << mission << ", level " << level << "\n";
    out << "# Route to the " << kindName(t.kind);
    if (t.kind != Kind::exitBeam) out << " at " << cellText(t.x, t.y);
    out << ", from the level's briefing, enemies left out.\n";
    out << "# Replay: brastor-headless --mission " << mission << " --level " << level << " --script " << file << "\n";
    out << "# Watch: brastor-playtest --replay " << file << " " << level << "\n";
    if (t.kind == Kind::generator)
        out << "# expect: mission " << mission << " frame " << t.frames << " breaks " << t.x << " " << t.y << "\n";
    else if (t.kind == Kind::exitBeam)
        out << "# expect: mission " << mission << " frame " << t.frames << " exit\n";
    else
        out << "# expect: mission " << mission << " frame " << t.frames << " touches " << t.x << " " << t.y << "\n";
    (void)objectiveFrame;
    // The briefing is the one text box before play.
    out << "wait 5\ntype space\n";
    // From here one tick is one frame: the keys given at a tick act from the
    // next frame on; the objective's text box takes two more ticks.
    long tick = 0, written = 0;
    auto at = [&](long when) {
        if (when > written) out << "wait " << (when - written) << "\n";
        written = std::max(written, when);
    };
    at(1);
    tick = 1;
    std::uint8_t held = 0;
    for (std::size_t f = 0; f < t.keys.size(); ++f) {
        const std::uint8_t k = t.keys[f];
        if (k != held) {
            at(tick);
            for (int i = 0; i < 5; ++i) {
                const std::uint8_t bit = static_cast<std::uint8_t>(1 << i);
                if ((k & bit) && !(held & bit)) out << "hold " << keyNames[i] << "\n";
                if (!(k & bit) && (held & bit)) out << "release " << keyNames[i] << "\n";
            }
            held = k;
        }
        if (static_cast<int>(f) + 1 == t.boxFrame) {
            at(tick + 1);
            out << "type space          # the objective's text box\n";
            tick += 2;
        }
        tick += 1;
    }
    // Let go, and quit a little later so that the mission's end is still told.
    at(tick);
    for (int i = 0; i < 5; ++i)
        if (held & (1 << i)) out << "release " << keyNames[i] << "\n";
    at(tick + 3);
    out << "quit\n";
}

RouteResult RouteSearch::report(const RouteOptions& options) {
    RouteResult result;
    result.searched = true;
    result.width = mapWidth;
    result.height = mapHeight;
    result.reached.assign(static_cast<std::size_t>(mapWidth) * mapHeight, 0);
    for (int y = 0; y < mapHeight; ++y)
        for (int x = 0; x < mapWidth; ++x) result.reached[y * mapWidth + x] = everReached_[y * gridSize + x];
    labelAreas();
    out_ << "routes from the start " << cellText(startX_, startY_) << ", enemies left out:\n";
    const int objectiveFrame = boxFrame_;
    constexpr int sameReasonShown = 10;
    std::map<std::string, int> sameReason;
    auto line = [&](const Target& t, bool error) {
        const std::string name = std::string("  ") + kindName(t.kind) + " " +
                                 (t.kind == Kind::exitBeam ? "column " + std::to_string(t.x) : cellText(t.x, t.y));
        if (t.kind == Kind::exitBeam && options.exitBlocked && !t.reached) {
            out_ << name << ": not searched: the beam cannot hang until its column is opened (above)\n";
            return;
        }
        if (t.reached) {
            out_ << name << ": reached, " << t.frames << " frames";
            if (t.kind == Kind::exitBeam) out_ << " (" << (t.frames - objectiveFrame) << " after the objective)";
            out_ << "\n";
            if (keepTrails_) {
                result.trails.push_back(t.trail);
                result.trailNames.push_back(name.substr(2));
            }
            return;
        }
        if (error)
            ++result.errors;
        else
            ++result.warnings;
        const std::string why = reason(t);
        // A map full of one thing out of reach for one reason: the first few tell.
        // Reasons alike but for their numbers count as the same.
        std::string alike = std::string(kindName(t.kind)) + ": ";
        for (char c : why) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                alike += c;
            else if (alike.back() != 'N')
                alike += 'N';
        }
        if (++sameReason[alike] > sameReasonShown) return;
        const int number = options.firstNumber + static_cast<int>(result.findings.size());
        // The exit's finding is circled where the player starts.
        result.findings.push_back(Finding{number, t.x, t.kind == Kind::exitBeam ? startY_ : t.y});
        out_ << name << ": " << (error ? "error" : "warning") << " [" << number << "]: unreachable: " << why << "\n";
    };
    for (const Target& t : targets_)
        if (t.objective) line(t, true);
    for (const Target& t : targets_)
        if (!t.objective && t.kind != Kind::exitBeam) line(t, options.strict);
    if (mission_ == 1 || mission_ == 2) line(targets_.back(), true);
    for (const auto& [what, count] : sameReason)
        if (count > sameReasonShown)
            out_ << "  and " << (count - sameReasonShown) << " more, each " << what << "\n";
    if (powerLost_)
        out_ << "  note: some fewest-frames routes ran out of power in spikes or flow; they were searched again "
                "keeping off them\n";
    if (gaveUp_) out_ << "  note: search stopped after " << maxStages << " map changes\n";

    if (!options.scriptDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.scriptDir, ec);
        for (const Target& t : targets_)
            if (t.reached) writeScript(options.scriptDir, options.level, t, mission_, objectiveFrame);
    }
    return result;
}

}  // namespace

RouteResult checkRoutes(const std::string& file, const RouteOptions& options, std::ostream& out) {
    RouteSearch search(options.mission, !options.scriptDir.empty(), options.keepTrails, options.maxFrames, out);
    search.load(file);
    search.run();
    RouteOptions told = options;
    if (told.level.empty()) told.level = utf8OfPath(std::filesystem::absolute(pathOfUtf8(file)).lexically_normal());
    return search.report(told);
}
