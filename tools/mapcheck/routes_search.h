// The map checker's route search, inside: the player states it walks, the
// targets it looks for, and the search's own record, shared by the files that
// make it up (state and moves, the search, beam plans, reasons, the report).
#pragma once

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
#include "play/collide.h"
#include "play/enemies.h"
#include "play/pickups.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "world/catalogue.h"
#include "mapcheck/routes.h"

namespace routesearch {

// Keys held in one frame, as a mask. The search never fires; a proof played
// against the enemies may.
constexpr std::uint8_t leftKey = 1, rightKey = 2, upKey = 4, downKey = 8, beamKey = 16, fireKey = 32;
constexpr int keyCount = 6;
constexpr const char* keyNames[keyCount] = {"left", "right", "up", "down", "x", "z"};

// The keys tried in a frame: all seven on the ground, the first three in the air.
constexpr std::uint8_t choiceKeys[7] = {0, leftKey, rightKey, upKey, upKey | leftKey, upKey | rightKey, downKey};

// Collision flags packed: the four flags of the player's record.
constexpr std::uint8_t flagRight = 1, flagLeft = 2, flagAbove = 4, flagGround = 8, flagKnown = 16;

constexpr int margin = 256;    // pixels around the map in which the player is still followed
constexpr long long defaultStateBudget = 2'000'000'000;  // player states searched, over all stages
constexpr int beamFramesPerDiamond = 21;

inline int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
inline int cellOf(int world) { return floorDiv(world + 32, 32); }  // the cell column (or row) of a world pixel

// The player's keys of a frame held as `keys`.
inline PlayerInput inputOf(std::uint8_t keys) {
    PlayerInput input{};
    input.left = (keys & leftKey) != 0;
    input.right = (keys & rightKey) != 0;
    input.up = (keys & upKey) != 0;
    input.down = (keys & downKey) != 0;
    input.beam = (keys & beamKey) != 0;
    input.fire = (keys & fireKey) != 0;
    return input;
}

struct Pos {
    int px, py, jump, crouch;
    bool operator==(const Pos&) const = default;
};

// Sets the view so that the player's world position is (px, py), offsets 0..31.
inline void placeView(int px, int py) {
    const int vx = px - playerScreenX, vy = py - playerScreenY;
    view.cellX = -floorDiv(-vx, 32);
    view.offsetX = 32 * view.cellX - vx;
    view.cellY = floorDiv(vy, 32);
    view.offsetY = vy - 32 * view.cellY;
}

inline Pos currentPos() {
    return {32 * view.cellX - view.offsetX + playerScreenX, 32 * view.cellY + view.offsetY + playerScreenY,
            player.jumpLeft, player.crouching};
}

// One frame of the game itself with `keys` held, without drawing (the enemies
// were left out when the map was loaded). True in the frame the objective is met.
inline bool playRouteFrame(std::uint8_t keys) {
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
inline void preferLargePages(void* p, std::size_t bytes) {
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

inline const char* kindName(Kind k) {
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

inline const char* fileStem(Kind k) {
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
    // Spikes and flow cells the route touches from the stage's start up to
    // and including the next frame's contact pass at this node.
    std::uint16_t contact;
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

// A route the power could not pay for: its spikes and flow contacts, and the
// power it started with.
struct Deadly {
    int contact = INT_MAX;
    int power = 0;
};

class RouteSearch {
public:
    RouteSearch(int mission, bool keepKeys, bool keepTrails, int maxFrames, long long maxStates, std::ostream& out)
        : mission_(mission), keepKeys_(keepKeys), keepTrails_(keepTrails), maxFrames_(maxFrames),
          stateBudget_(maxStates > 0 ? maxStates : defaultStateBudget), out_(out) {}

    // Loads the map picture `bmp` (a BMP file's bytes) with the game's loader.
    bool load(const std::vector<std::uint8_t>& bmp);
    void run();
    void runStages();
    RouteResult report(const RouteOptions& options, Findings& findings);
    // With the enemies in (routes_enemies.cpp): before the report, the
    // mission's proof is fitted to them; after it, every proof's replays are
    // told, with the enemies that cost power or make a target impossible.
    void fitProofToEnemies(const std::vector<std::uint8_t>& map, int seeds);
    void reportEnemies(const std::vector<std::uint8_t>& map, int seeds, Findings& findings);

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

    // Whether the state was met before in this stage; marks nothing.
    bool seen(const Pos& p) {
        return (record(p).box[p.crouch != 0] >> ((p.jump + 1) >> 1) & 1) != 0;
    }

    std::uint8_t flagsAt(const Pos& p);
    Pos advance(const Pos& from, std::uint8_t flags, std::uint8_t keys);
    void searchStage(const Pos& start, int depth, bool whole);
    Pos step(const Pos& p, std::uint8_t flags, int choice);
    void addStandNode(std::uint32_t index, const Pos& p);
    void noteTouched(std::uint32_t index, const Pos& p);
    int hazardContacts(const Pos& p) const;
    void beginStage();
    void searchByContact(const Pos& start, int depth);
    int powerAfter(int contact) const;
    void noteDeadly(const Pos& p, int contact, bool afterObjective);
    std::string deadlyText(const Deadly& d) const;
    std::string brokenStep(int x, int y) const;
    std::string heightReason(const Target& t, int x, int y, const std::vector<int>& highest);
    std::vector<std::uint8_t> pathTo(std::uint32_t index) const;
    void recordRoute(Target& t, const std::vector<std::uint8_t>& tail, int frames, std::uint32_t node);
    void noteReached(const Pos& p, bool afterObjective);
    std::string reason(const Target& t);
    bool provenOutOfReach(const Target& t) const;
    bool apartFromReached(int way, int x, int y) const;
    bool doorsStayShut(int letter) const;
    void labelAreas();

    // ---- events
    bool chooseAndApply();
    bool searchOrders(const Snapshot& start);
    bool everyTargetLeftProvenOut();
    void rewind(const Snapshot& state, std::size_t played, int boxFrame);
    bool dropPowerlessRoutes(const Snapshot& state);
    bool playPath(std::uint32_t index);
    bool applyPath(std::uint32_t index);
    bool planBreak(int bx, int by, BreakPlan& plan, int& shortOfDiamonds);
    bool planFromNode(std::uint32_t n, int bx, int by, BreakPlan& plan, bool found, int& shortOfDiamonds);
    bool applyBreak(const BreakPlan& plan);
    bool playChainFrame(std::uint8_t keys);
    bool frontier(int bx, int by) const;
    bool blocksBeamLine(int bx, int by) const;
    int beamSupply() const;
    bool somethingLeft() const;
    int firstSolidAlong(const Pos& p, int angle, int& hitY, int* behindX = nullptr, int* behindY = nullptr) const;

    static constexpr std::uint32_t invalid = 0xFFFFFFFFu;
    static constexpr std::uint32_t noParent = 0xFFFFFFFFu;

    int mission_;
    bool keepKeys_;  // the keys of every route, for the scripts
    bool keepTrails_;  // the positions of every route, for the picture
    int maxFrames_;  // routes longer than this are not searched (0: no bound)
    long long stateBudget_;    // player states the whole search may visit
    long long statesSearched_ = 0;
    int changesMade_ = 0;      // map changes played
    bool ordersSearched_ = false;  // the order search ran after the nearest-first chain
    bool changeableMap_ = false;  // the map holds doors, keys, breakable cells, generators or barriers
    int startDiamonds_ = 0;        // the diamonds held at the start
    bool relaxedPass_ = false;     // searching to prove, not to play: nothing ends a branch, nothing is recorded
    bool relaxedDone_ = false;     // the map never changes and the relaxed pass searched it whole
    std::vector<std::uint8_t> touchedRelaxed_;  // per target: touched in that pass
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
    std::vector<std::uint8_t> areaAtEdge_[areaWays];  // per area: it has a cell on the map's edge
    std::map<std::pair<int, std::int32_t>, std::pair<int, int>> doorOfArea_;  // (letter, area): a door next to it
    bool everDiamond_ = false;               // some diamond was picked up
    int boxFrame_ = 0;                       // frame in which the objective was met
    bool powerLost_ = false;                 // a fewest-frames route ran out of power in hazards
    bool gaveUp_ = false;
    bool leastContact_ = false;              // this search orders routes by hazard contact, then frames
    bool outOfPower_ = false;                // a played route or beam plan runs out of power
    int contactBudget_ = 0;                  // hazard contacts this stage's routes may make and live
    int stagePower_ = 0, stageTicks_ = 0;    // power and hazard count at the stage's start
    // Per cell, at any stage [0] and after the objective [1]: the fewest
    // hazard contacts of a route over it that the power could not pay for, and
    // the power that route started with.
    std::vector<Deadly> deadly_[2];
    std::vector<Deadly> powerShort_;  // per target: a route to it dropped as the power ran out on it
    std::vector<std::uint8_t> startTile_;    // [y * gridSize + x]: the map's tiles as loaded
    std::vector<std::pair<int, int>> lineBlockers_;  // crates that stand in a beam line to a generator
    int segments_[180][19][2];  // streamer segment centres relative to the player, per even angle
    struct Move {
        std::int8_t dx, dy;
        std::uint8_t jump, crouch, known;
    };
    Move moves_[16 * 64 * 8] = {};
    std::vector<BreakPlan> generatorPlans_;  // per target: the cheapest beam plan found this stage
    std::vector<std::uint8_t> generatorPlanned_;
    std::vector<std::uint8_t> beamLineSeen_;  // per target: a standing place had a clear beam line to it
    std::vector<int> beamShort_;             // per target: the fewest beam frames a plan lacked the charge for
    int stageSupply_ = 0;                    // beam frames the diamonds held at the stage's start feed
    int mostSupply_ = 0;                     // the most beam frames held at any stage's start
    int unreached_ = 0;                      // targets without a route yet
    int fittedFrames_ = 0;                   // frames the fitting to the enemies put into the exit's proof
};

inline std::string cellText(int x, int y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

}  // namespace routesearch
