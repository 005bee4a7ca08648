// The completeness oracle: breadth-first over whole game states, one played
// frame (the game's own playFrame, drawing off, enemies left out as the
// checker leaves them) per set of keys, deduplicated by a 128-bit hash of
// everything later frames depend on.
//
// What a state records, and why nothing else is needed with enemies out:
// - the view (the player's position) and the player's record, less the walk
//   animation (only drawn), the collision flags (the contact pass clears and
//   sets them before any reader) and the gun (fireDelay and the shots: a
//   player shot meets only enemies and walls, and changes no cell);
// - facing by its sign only (the beam starts from its sign; Left, Right and
//   the beam overwrite it before any other reader);
// - the beam's record (diamonds held, drain, angle, facing) as constants
//   once it cannot break anything any more (see canonicalize);
// - the door keys, objective and result of the game record;
// - every map cell that play can change: pickups, keys, doors, breakable
//   blocks, generators, barriers, flow, and the start column (the exit beam).
// Sparks, the random sequence, the score and the message are never read by
// what decides a target. checkOracleRecord plays random keys to test that
// claim: a frame from the real state and one from the recorded state must
// end in the same record. The search also checks, after each state's frames,
// that no cell outside the recorded ones changed.
//
// Two savings keep it exact: with no crystal left, the same state with more
// health (power and hazard ticks) left stands for the one with less; and one
// frame without the beam serves every state that differs only in diamonds,
// drain and facing (each group has one of its frames replayed alone as a
// check). One saving is not exact, and is left out with everyKey: the beam
// is not switched on without a diamond held, which only turns its drain and
// facing (the checker's routes never do it either).
#include "route_oracle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "mapcheck/routes.h"
#include "platform/bmp_format.h"
#include "play/collide.h"
#include "play/particles.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "world/catalogue.h"
#include "world/enemy_table.h"
#include "world/game_state.h"
#include "world/world.h"

namespace {

// ---- the maps

struct SplitMix {
    std::uint64_t s;
    std::uint64_t operator()() {
        std::uint64_t z = (s += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
};

// Numbers below n from a source of draws.
struct Draws {
    const std::function<std::uint64_t()>& next;
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
};

}  // namespace

OracleMap generateOracleMap(std::uint64_t seed) {
    SplitMix mix{seed * 0x2545F4914F6CDD1Du + 1};
    return generateOracleMap(std::function<std::uint64_t()>(mix));
}

OracleMap generateOracleMap(const std::function<std::uint64_t()>& next) {
    Draws r{next};
    OracleMap map;
    map.mission = r.below(3);
    const int w = 6 + r.below(7), h = 4 + r.below(5);
    std::vector<std::string>& rows = map.rows;
    rows.assign(h, std::string(w, '.'));
    for (int x = 0; x < w; ++x) rows[h - 1][x] = '#';
    for (int y = 0; y < h; ++y) rows[y][0] = rows[y][w - 1] = '#';
    // Now and then a pit in the floor, which the player falls out of.
    if (r.below(4) == 0) rows[h - 1][1 + r.below(w - 2)] = '.';
    const char floors[] = "#gfr";
    for (int n = 1 + r.below(3); n > 0 && h > 4; --n) {
        const int y = 2 + r.below(h - 4), x0 = 1 + r.below(w - 2), len = 2 + r.below(5);
        for (int x = x0; x < std::min(w - 1, x0 + len); ++x) rows[y][x] = floors[r.below(4)];
    }
    // The start, as the level tools accept it: a floor two rows below the
    // marker, the cell between free, nothing solid above it in its column
    // (the exit beam hangs there); the body takes the marker's cell, the one
    // to its right and the two below. Cells kept for the body and the beam
    // get nothing placed in them.
    std::vector<std::uint8_t> reserved(static_cast<std::size_t>(w) * h, 0);
    auto solidLetter = [](char c) { return std::strchr("#gfr", c) != nullptr; };
    int sx = -1, sy = -1;
    for (int tries = 0; tries < 200 && sx < 0; ++tries) {
        const int x = 1 + r.below(w - 3), y = r.below(h - 2);
        bool fits = solidLetter(rows[y + 2][x]);
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) fits = fits && rows[y + dy][x + dx] == '.';
        for (int above = 0; above < y; ++above) fits = fits && !solidLetter(rows[above][x]);
        if (fits) sx = x, sy = y;
    }
    if (sx < 0) {
        // On the bottom floor, clearing what is in the way.
        sx = 1 + r.below(w - 3);
        sy = h - 3;
        rows[h - 1][sx] = '#';
        for (int y = 0; y < h - 1; ++y) rows[y][sx] = '.';
        rows[sy][sx + 1] = rows[sy + 1][sx + 1] = '.';
    }
    rows[sy][sx] = 'P';
    for (int y = 0; y < sy + 2; ++y) reserved[y * w + sx] = 1;
    reserved[sy * w + sx + 1] = reserved[(sy + 1) * w + sx + 1] = 1;
    // A cell for a thing: an empty one, or (when `onFloor`) also a wall or floor.
    auto place = [&](char c, bool onFloor) {
        for (int tries = 0; tries < 100; ++tries) {
            const int x = r.below(w), y = r.below(h);
            const char was = rows[y][x];
            if (reserved[y * w + x] || (was != '.' && !(onFloor && std::strchr("#gfr", was)))) continue;
            rows[y][x] = c;
            reserved[y * w + x] = 1;
            return;
        }
    };
    const int changeable = std::max(r.below(5), map.mission == 1 ? 1 : 0);
    for (int n = 0; n < changeable; ++n) {
        const int pick = map.mission == 1 && n == 0 ? 0 : r.below(6);
        switch (pick) {
            case 0: place(r.below(2) ? 'G' : 'H', r.below(2)); break;
            case 1: case 2: place('b', r.below(3) != 0); break;
            case 3:
                if (n + 1 < changeable) {
                    const bool b = r.below(2);
                    place(b ? 'K' : 'k', false);
                    place(b ? 'L' : 'l', r.below(3) != 0);
                    ++n;
                }
                break;
            case 4: place('B', r.below(2)); break;
            default: place('G', false); break;
        }
    }
    for (int n = r.below(4); n > 0; --n) place('d', false);
    if (r.below(3) == 0) place('c', false);
    for (int n = r.below(3) == 0 ? 1 + r.below(2) : 0; n > 0; --n) place(r.below(2) ? 's' : 'w', false);
    for (int n = map.mission == 2 ? 1 + r.below(2) : r.below(4) == 0; n > 0; --n) place('h', false);
    // The game refuses a mission 1 without a generator and a mission 2
    // without a hostage; where none found room, the map has no objective.
    auto holds = [&](const char* letters) {
        for (const std::string& row : rows)
            if (row.find_first_of(letters) != std::string::npos) return true;
        return false;
    };
    if ((map.mission == 1 && !holds("GH")) || (map.mission == 2 && !holds("h"))) map.mission = 0;
    return map;
}

std::vector<std::uint8_t> oracleMapPicture(const OracleMap& map) {
    const int h = static_cast<int>(map.rows.size()), w = h ? static_cast<int>(map.rows[0].size()) : 0;
    return encodeBmp24(w, h, [&](int x, int y) -> std::uint32_t {
        const MapColour* c = findMapLetter(map.rows[y][x]);
        return c ? std::uint32_t{c->r} << 16 | std::uint32_t{c->g} << 8 | c->b : 0xFFFFFFu;
    });
}

std::string oracleMapText(const OracleMap& map) {
    std::string text = "mission " + std::to_string(map.mission) + "\n";
    for (const std::string& row : map.rows) text += row + "\n";
    return text;
}

namespace {

// ---- the recorded state

// MurmurHash3's 128-bit x64 variant (Austin Appleby, public domain).
struct Hash128 {
    std::uint64_t a, b;
    bool operator==(const Hash128&) const = default;
};
std::uint64_t rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }
std::uint64_t fmix(std::uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdu;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53u;
    return k ^ (k >> 33);
}
Hash128 murmur128(const std::uint8_t* data, std::size_t len) {
    constexpr std::uint64_t c1 = 0x87c37b91114253d5u, c2 = 0x4cf5ad432745937fu;
    std::uint64_t h1 = 0x9368e53c2f6af274u, h2 = 0x586dcd208f7cd3fdu;
    const std::size_t blocks = len / 16;
    for (std::size_t i = 0; i < blocks; ++i) {
        std::uint64_t k1, k2;
        std::memcpy(&k1, data + 16 * i, 8);
        std::memcpy(&k2, data + 16 * i + 8, 8);
        k1 *= c1; k1 = rotl(k1, 31); k1 *= c2; h1 ^= k1;
        h1 = rotl(h1, 27); h1 += h2; h1 = h1 * 5 + 0x52dce729;
        k2 *= c2; k2 = rotl(k2, 33); k2 *= c1; h2 ^= k2;
        h2 = rotl(h2, 31); h2 += h1; h2 = h2 * 5 + 0x38495ab5;
    }
    std::uint8_t tail[16] = {};
    std::memcpy(tail, data + 16 * blocks, len - 16 * blocks);
    std::uint64_t k1, k2;
    std::memcpy(&k1, tail, 8);
    std::memcpy(&k2, tail + 8, 8);
    if (len % 16 > 8) { k2 *= c2; k2 = rotl(k2, 33); k2 *= c1; h2 ^= k2; }
    if (len % 16 > 0) { k1 *= c1; k1 = rotl(k1, 31); k1 *= c2; h1 ^= k1; }
    h1 ^= len; h2 ^= len;
    h1 += h2; h2 += h1;
    h1 = fmix(h1); h2 = fmix(h2);
    h1 += h2; h2 += h1;
    return {h1, h2};
}

// The states met, by hash, each with the most health it was met with:
// open addressing, linear probing.
class StateTable {
public:
    StateTable() : slots_(1 << 16) {}
    // True when the state is new, or met now with more health than before.
    bool better(Hash128 h, std::int32_t health) {
        if (h == Hash128{0, 0}) h.a = 1;  // the empty slot's value
        if (2 * (size_ + 1) > slots_.size()) grow();
        Slot& slot = find(slots_, h);
        if (slot.hash == h) {
            if (health <= slot.health) return false;
            slot.health = health;
            return true;
        }
        slot = Slot{h, health};
        ++size_;
        return true;
    }
    std::size_t size() const { return size_; }

private:
    struct Slot {
        Hash128 hash{0, 0};
        std::int32_t health = 0;
    };
    static Slot& find(std::vector<Slot>& slots, const Hash128& h) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = h.a & mask;; i = (i + 1) & mask)
            if (slots[i].hash == h || slots[i].hash == Hash128{0, 0}) return slots[i];
    }
    void grow() {
        std::vector<Slot> bigger(2 * slots_.size());
        for (const Slot& s : slots_)
            if (!(s.hash == Hash128{0, 0})) find(bigger, s.hash) = s;
        slots_.swap(bigger);
    }
    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

// The player, view and game record fields of a state.
struct Core {
    std::int32_t cellX, cellY, offsetX, offsetY;
    std::int32_t power, diamonds, facing, crouching, jumpLeft, streamerOn, streamerAngle, streamerDrain, hazardTicks;
    std::int32_t keyA, keyB, objectiveMet, missionResult;
};
constexpr const char* coreNames[] = {"view.cellX", "view.cellY", "view.offsetX", "view.offsetY", "power",
                                     "diamonds", "facing", "crouching", "jumpLeft", "streamerOn", "streamerAngle",
                                     "streamerDrain", "hazardTicks", "door key A", "door key B", "objectiveMet",
                                     "missionResult"};
static_assert(sizeof(Core) == sizeof coreNames / sizeof coreNames[0] * 4);
constexpr int diamondsField = 5, facingField = 6, streamerOnField = 9, angleField = 10, drainField = 11;
std::int32_t field(const std::uint8_t* s, int i) {
    std::int32_t v;
    std::memcpy(&v, s + 4 * i, 4);
    return v;
}
void setField(std::uint8_t* s, int i, std::int32_t v) { std::memcpy(s + 4 * i, &v, 4); }

bool changeableTile(std::uint8_t tile) {
    switch (tile) {
        case tileCode::diamond: case tileCode::crystal: case tileCode::keyA: case tileCode::keyB:
        case tileCode::doorA: case tileCode::doorB: case tileCode::hostage: case tileCode::breakable:
        case tileCode::generator1: case tileCode::generator3: case tileCode::barrier: case tileCode::flow:
            return true;
        default: return false;
    }
}

// The game loaded as the checker loads it, with the cells that can change.
class Recorder {
public:
    void load(const std::string& file, int mission) {
        loadRouteMap(file, mission);
        initial_ = std::make_unique<MapGrid>(mapGrid);
        cells_.clear();
        fixed_.clear();
        const int startColumn = view.startCellX + 10;
        for (int y = 0; y < mapHeight; ++y)
            for (int x = 0; x < mapWidth; ++x) {
                const MapCell& c = mapCell(x, y);
                if (changeableTile(c.tile) || c.block < 0 || x == startColumn)
                    cells_.push_back({x, y});
                else
                    fixed_.push_back({x, y});
            }
        size_ = sizeof(Core) + 2 * cells_.size();
        scratch_.resize(size_);
    }
    std::size_t size() const { return size_; }
    const std::vector<std::pair<int, int>>& cells() const { return cells_; }

    // The state now, as the search records it.
    void save(std::uint8_t* out) const {
        const Core c{view.cellX, view.cellY, view.offsetX, view.offsetY, player.power, player.diamonds,
                     player.facing > 0 ? 1 : -1, player.crouching, player.jumpLeft, player.streamerOn,
                     player.streamerAngle, player.streamerDrain, player.hazardTicks, game.doorKeys[0],
                     game.doorKeys[1], game.objectiveMet, game.missionResult};
        std::memcpy(out, &c, sizeof c);
        std::uint8_t* cell = out + sizeof(Core);
        for (const auto& [x, y] : cells_) {
            const MapCell& m = mapCell(x, y);
            *cell++ = m.tile;
            *cell++ = static_cast<std::uint8_t>(m.block);
        }
        canonicalize(out);
    }

    // The beam's record counts only while it can still break something.
    // Without a breakable cell left, diamonds, drain, angle and facing
    // decide nothing (only whether the beam is on does: Left and Right steer
    // it instead of walking); without a diamond held or left, the drain,
    // angle and facing decide nothing.
    void canonicalize(std::uint8_t* s) const {
        bool diamondLeft = false, breakableLeft = false;
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            diamondLeft = diamondLeft || s[sizeof(Core) + 2 * i] == tileCode::diamond;
            breakableLeft = breakableLeft || static_cast<std::int8_t>(s[sizeof(Core) + 2 * i + 1]) < 0;
        }
        if (breakableLeft && (field(s, diamondsField) != 0 || diamondLeft)) return;
        if (!breakableLeft) setField(s, diamondsField, 0);
        setField(s, drainField, 0);
        setField(s, angleField, 0);
        setField(s, facingField, 1);
    }

    // The same hash for records that differ only in what the beam would
    // spend or where it would start (diamonds, drain, facing).
    Hash128 movementHash(const std::uint8_t* s) const {
        std::uint8_t* copy = scratch_.data();
        std::memcpy(copy, s, size_);
        setField(copy, diamondsField, 0);
        setField(copy, drainField, 0);
        setField(copy, facingField, 0);
        return murmur128(copy, size_);
    }

    // Sets the game to a recorded state: what the record leaves out is set
    // to the values it has at a mission's start.
    void restore(const std::uint8_t* in) const {
        Core c;
        std::memcpy(&c, in, sizeof c);
        view.cellX = c.cellX;
        view.cellY = c.cellY;
        view.offsetX = c.offsetX;
        view.offsetY = c.offsetY;
        player.power = c.power;
        player.diamonds = c.diamonds;
        player.facing = c.facing;
        player.crouching = c.crouching;
        player.jumpLeft = c.jumpLeft;
        player.streamerOn = c.streamerOn;
        player.streamerAngle = c.streamerAngle;
        player.streamerDrain = c.streamerDrain;
        player.hazardTicks = c.hazardTicks;
        player.walking = player.walkFrame = player.walkTick = player.fireDelay = 0;
        player.blockedLeft = player.blockedRight = player.blockedAbove = player.onGround = 0;
        game.doorKeys[0] = c.keyA;
        game.doorKeys[1] = c.keyB;
        game.objectiveMet = c.objectiveMet;
        game.missionResult = c.missionResult;
        game.messageFrames = 0;
        std::memset(playerShots, 0, sizeof playerShots);
        std::memset(enemyShots, 0, sizeof enemyShots);
        bool rebuild = false;
        const std::uint8_t* cell = in + sizeof(Core);
        for (const auto& [x, y] : cells_) {
            MapCell& m = mapCell(x, y);
            m.tile = *cell++;
            const auto block = static_cast<std::int8_t>(*cell++);
            rebuild = rebuild || m.block != block;
            m.block = block;
        }
        if (rebuild) buildSolidList();
    }

    // The first cell the record leaves out that play changed, or "".
    std::string unrecordedChange() const {
        for (const auto& [x, y] : fixed_) {
            const MapCell& a = mapCell(x, y);
            const MapCell& b = initial_->cells[y][x];
            if (a.tile != b.tile || a.block != b.block || a.overlay != b.overlay)
                return "cell (" + std::to_string(x) + ", " + std::to_string(y) + ") changed, not recorded";
        }
        for (const auto& [x, y] : cells_)
            if (mapCell(x, y).overlay != initial_->cells[y][x].overlay)
                return "the overlay of (" + std::to_string(x) + ", " + std::to_string(y) + ") changed";
        return "";
    }

    // The hash a recorded state is met by, and the health it brings. With no
    // crystal left, power and hazard ticks only decide when the mission is
    // lost (spikes and flow take a tick a frame, a hundred a power), so the
    // same state with more health left dominates: it is hashed without them.
    Hash128 key(const std::uint8_t* in, std::int32_t& health) const {
        bool crystalLeft = false;
        for (std::size_t i = 0; i < cells_.size(); ++i) crystalLeft = crystalLeft || in[sizeof(Core) + 2 * i] == tileCode::crystal;
        if (crystalLeft) {
            health = 0;
            return murmur128(in, size_);
        }
        std::uint8_t* copy = scratch_.data();
        std::memcpy(copy, in, size_);
        Core c;
        std::memcpy(&c, in, sizeof c);
        health = 100 * c.power - c.hazardTicks;
        c.power = c.hazardTicks = 0;
        std::memcpy(copy, &c, sizeof c);
        return murmur128(copy, size_);
    }

    // What differs between two records, by name.
    std::string difference(const std::uint8_t* a, const std::uint8_t* b) const {
        std::string text;
        for (std::size_t i = 0; i < sizeof(Core) / 4; ++i) {
            std::int32_t va, vb;
            std::memcpy(&va, a + 4 * i, 4);
            std::memcpy(&vb, b + 4 * i, 4);
            if (va != vb) text += std::string(coreNames[i]) + " " + std::to_string(va) + " / " + std::to_string(vb) + "; ";
        }
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            const std::uint8_t* ca = a + sizeof(Core) + 2 * i;
            const std::uint8_t* cb = b + sizeof(Core) + 2 * i;
            if (ca[0] != cb[0] || ca[1] != cb[1])
                text += "cell (" + std::to_string(cells_[i].first) + ", " + std::to_string(cells_[i].second) + "); ";
        }
        return text;
    }

private:
    std::unique_ptr<MapGrid> initial_;
    std::vector<std::pair<int, int>> cells_, fixed_;
    std::size_t size_ = 0;
    mutable std::vector<std::uint8_t> scratch_;
};

PlayerInput inputOf(unsigned keys) {
    return PlayerInput{(keys & 1) != 0, (keys & 2) != 0, (keys & 4) != 0,
                       (keys & 8) != 0, (keys & 32) != 0, (keys & 16) != 0};
}
constexpr unsigned keySets = 32;  // left, right, up, down, beam; the gun changes nothing recorded

// ---- the targets, named as the checker's report names them

struct Goal {
    enum Kind { touch, breaks, exit } kind;
    int x, y;
    std::uint8_t tile;
    std::string name;
};

std::string cellName(const char* kind, int x, int y) {
    return std::string(kind) + " (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

std::vector<Goal> goalsOf(int mission) {
    std::vector<Goal> goals;
    for (int y = 0; y < mapHeight; ++y)
        for (int x = 0; x < mapWidth; ++x) {
            const std::uint8_t tile = mapCell(x, y).tile;
            const char* kind = nullptr;
            switch (tile) {
                case tileCode::diamond: kind = "diamond"; break;
                case tileCode::crystal: kind = "power crystal"; break;
                case tileCode::keyA: kind = "key A"; break;
                case tileCode::keyB: kind = "key B"; break;
                case tileCode::hostage: kind = "hostage"; break;
                case tileCode::generator1: case tileCode::generator3:
                    if (mission == 1) goals.push_back({Goal::breaks, x, y, tile, cellName("generator", x, y)});
                    break;
                default: break;
            }
            if (kind) goals.push_back({Goal::touch, x, y, tile, cellName(kind, x, y)});
        }
    if (mission == 1 || mission == 2) {
        const int column = view.startCellX + 10;
        goals.push_back({Goal::exit, column, -1, tileCode::exitBeam, "exit beam column " + std::to_string(column)});
    }
    return goals;
}

// The checker's verdicts: "reached" lines from the report, the proofs from the result.
void readVerdicts(const std::string& report, const RouteResult& result, std::vector<OracleTarget>& targets) {
    std::map<std::string, int> reached;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(": reached, ");
        if (line.rfind("  ", 0) != 0 || at == std::string::npos) continue;
        reached[line.substr(2, at - 2)] = std::atoi(line.c_str() + at + 11);
    }
    for (OracleTarget& t : targets) {
        if (auto it = reached.find(t.name); it != reached.end()) {
            t.checker = Verdict::reached;
            t.checkerFrames = it->second;
        } else if (t.y < 0 ? result.exitProvenOut
                           : std::find(result.provenOut.begin(), result.provenOut.end(), std::make_pair(t.x, t.y)) !=
                                 result.provenOut.end()) {
            t.checker = Verdict::unreachable;
        }
    }
}

}  // namespace

OracleComparison compareWithOracle(const std::string& file, int mission, int maxFrames, long long maxStates, bool everyKey) {
    OracleComparison out;
    const std::string path = std::filesystem::absolute(file).string();
    RouteOptions options;
    options.mission = mission;
    options.maxFrames = maxFrames;
    std::ostringstream report;
    const RouteResult result = checkRoutes(path, options, report);
    out.report = report.str();

    Recorder rec;
    rec.load(path, mission);
    const std::vector<Goal> goals = goalsOf(mission);
    for (const Goal& g : goals) out.targets.push_back(OracleTarget{g.name, g.x, g.y});
    readVerdicts(out.report, result, out.targets);
    int bound = maxFrames;
    for (const OracleTarget& t : out.targets) bound = std::max(bound, t.checkerFrames);
    out.frameBound = bound;

    const std::size_t size = rec.size();
    std::vector<std::uint8_t> layer(size), next, state(size), alone(size), moved(size);
    rec.save(layer.data());
    StateTable seen;
    std::int32_t health = 0;
    seen.better(rec.key(layer.data(), health), health);
    std::size_t left = goals.size();
    auto reach = [&](std::size_t g, int frame) {
        if (out.targets[g].oracleFrames != 0) return;
        out.targets[g].oracleFrames = frame;
        --left;
    };
    const int bottom = 32 * mapHeight;  // a box whose top is below this never comes back
    int searched = 0;  // frames of which every state was played
    bool stopped = false;
    int depth = 0;
    // After a played frame: the generators it broke, the exit it won; false
    // when the mission ended or the player fell out of the map for good.
    auto afterFrame = [&]() {
        for (std::size_t g = 0; g < goals.size(); ++g) {
            if (goals[g].kind == Goal::breaks && mapCell(goals[g].x, goals[g].y).tile != goals[g].tile)
                reach(g, depth + 1);
            if (goals[g].kind == Goal::exit && game.missionResult == missionCompleted) reach(g, depth + 1);
        }
        return game.missionResult == 0 && 32 * view.cellY + view.offsetY + playerScreenY <= bottom;
    };
    auto keep = [&](const std::uint8_t* s) {
        if (!seen.better(rec.key(s, health), health)) return;
        next.insert(next.end(), s, s + size);
        if (static_cast<long long>(seen.size()) >= maxStates) stopped = true;
    };
    std::vector<std::pair<Hash128, std::size_t>> order;
    std::vector<std::size_t> members;
    long long groupsChecked = 0;
    for (; depth < bound && !layer.empty() && left > 0 && !stopped; ++depth) {
        next.clear();
        // With the beam off, diamonds, drain and facing change nothing in a
        // frame without the beam but themselves (pickups add diamonds, Left
        // and Right set facing), so one played frame serves every state that
        // differs only in them.
        order.clear();
        for (std::size_t s = 0; s < layer.size(); s += size)
            order.push_back({field(&layer[s], streamerOnField) ? Hash128{~0ull, s} : rec.movementHash(&layer[s]), s});
        std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
            return a.first.a != b.first.a ? a.first.a < b.first.a : a.first.b < b.first.b;
        });
        for (std::size_t i = 0; i < order.size() && !stopped;) {
            members.clear();
            std::size_t j = i;
            for (; j < order.size() && order[j].first == order[i].first; ++j) members.push_back(order[j].second);
            i = j;
            const std::uint8_t* rep = &layer[members[0]];
            rec.restore(rep);
            // What the next frame's contact pass touches, whatever the keys.
            const int px = 32 * view.cellX - view.offsetX + playerScreenX;
            const int py = 32 * view.cellY + view.offsetY + playerScreenY;
            const HitBox& box = player.crouching ? playerCrouchingBox : playerStandingBox;
            for (std::size_t g = 0; g < goals.size(); ++g)
                if (goals[g].kind == Goal::touch && mapCell(goals[g].x, goals[g].y).tile == goals[g].tile &&
                    cornerTest(32 * goals[g].x - 32, 32 * goals[g].y - 32, px, py, tileBox, box) != 0)
                    reach(g, depth + 1);
            // One key set of each group with two or more states is also played
            // state by state, to test that the shared frame is the same.
            const unsigned checked = members.size() > 1 ? static_cast<unsigned>(groupsChecked++ % 16) : keySets;
            for (unsigned keys = 0; keys < keySets; ++keys) {
                if (keys != 0) rec.restore(rep);
                playFrame(FrameInput{inputOf(keys), false, false}, Drawing::off);
                const bool beam = (keys & 16) != 0;
                if (beam && player.streamerOn == 0) continue;  // the same frame as without the beam
                // Unless every key is asked for, the beam is not switched on
                // without a diamond held: that only turns its drain and facing.
                if (beam && !everyKey && field(rep, streamerOnField) == 0 && field(rep, diamondsField) == 0 &&
                    members.size() == 1)
                    continue;
                const bool goesOn = afterFrame();
                if (beam) {
                    // The beam is on: what it hits and spends depends on each state.
                    if (goesOn && (everyKey || field(rep, streamerOnField) != 0 || field(rep, diamondsField) != 0))
                        rec.save(state.data()), keep(state.data());
                    for (std::size_t m = 1; m < members.size(); ++m) {
                        if (!everyKey && field(&layer[members[m]], diamondsField) == 0) continue;
                        rec.restore(&layer[members[m]]);
                        playFrame(FrameInput{inputOf(keys), false, false}, Drawing::off);
                        if (afterFrame()) rec.save(state.data()), keep(state.data());
                    }
                    continue;
                }
                if (!goesOn) continue;
                rec.save(moved.data());
                const std::int32_t picked = field(moved.data(), diamondsField) - field(rep, diamondsField);
                const std::int32_t facing = (keys & 2) ? 1 : (keys & 1) ? -1 : 0;
                for (std::size_t m = 0; m < members.size(); ++m) {
                    const std::uint8_t* from = &layer[members[m]];
                    std::memcpy(state.data(), moved.data(), size);
                    setField(state.data(), diamondsField, field(from, diamondsField) + picked);
                    setField(state.data(), drainField, field(from, drainField));
                    setField(state.data(), facingField, facing ? facing : field(from, facingField));
                    rec.canonicalize(state.data());
                    if (keys == checked && m + 1 == members.size()) {
                        rec.restore(from);
                        playFrame(FrameInput{inputOf(keys), false, false}, Drawing::off);
                        rec.save(alone.data());
                        if (alone != state && out.fault.empty())
                            out.fault = "a shared frame differs from its state's own: " +
                                        rec.difference(alone.data(), state.data()) + "\n";
                    }
                    keep(state.data());
                }
            }
            // A cell the record leaves out stays changed through every restore.
            if (std::string change = rec.unrecordedChange(); !change.empty() && out.fault.empty())
                out.fault = "the oracle's record misses a change: " + change + "\n";
        }
        if (!stopped) searched = depth + 1;
        layer.swap(next);
    }
    out.states = static_cast<long long>(seen.size());
    out.complete = !stopped;
    out.searched = searched;

    std::ostringstream fault;
    for (const OracleTarget& t : out.targets) {
        if (t.checker == Verdict::unreachable && t.oracleFrames > 0)
            fault << t.name << ": the checker says unreachable, the game reaches it in " << t.oracleFrames
                  << " frames\n";
        if (t.checker == Verdict::reached && t.checkerFrames <= searched &&
            (t.oracleFrames == 0 || t.oracleFrames > t.checkerFrames))
            fault << t.name << ": the checker reached it in " << t.checkerFrames << " frames, the game "
                  << (t.oracleFrames ? "needs " + std::to_string(t.oracleFrames) : std::string("does not within them"))
                  << "\n";
    }
    out.fault += fault.str();
    return out;
}

std::string checkOracleRecord(const std::string& file, int mission, int frames, std::uint64_t seed) {
    const std::string path = std::filesystem::absolute(file).string();
    Recorder rec;
    rec.load(path, mission);
    const std::size_t size = rec.size();
    std::vector<std::uint8_t> before(size), real(size), recorded(size);
    const std::function<std::uint64_t()> draws = SplitMix{seed};
    Draws r{draws};
    unsigned keys = 0;
    struct Whole {
        std::unique_ptr<MapGrid> grid = std::make_unique<MapGrid>();
        View view;
        PlayerState player;
        GameState game;
        Shot shots[shotCount], enemy[shotCount];
        Particle sparks[particleCount];
    } whole;
    for (int f = 0; f < frames; ++f) {
        if (game.missionResult != 0) rec.load(path, mission);
        // Keys held for a while, the gun and the beam among them.
        if (r.below(6) == 0) keys = static_cast<unsigned>(r.below(64));
        rec.save(before.data());
        playFrame(FrameInput{inputOf(keys), false, false}, Drawing::off);
        rec.save(real.data());
        *whole.grid = mapGrid;
        whole.view = view;
        whole.player = player;
        whole.game = game;
        std::memcpy(whole.shots, playerShots, sizeof playerShots);
        std::memcpy(whole.enemy, enemyShots, sizeof enemyShots);
        std::memcpy(whole.sparks, particles, sizeof particles);
        rec.restore(before.data());
        playFrame(FrameInput{inputOf(keys & 31u), false, false}, Drawing::off);
        rec.save(recorded.data());
        if (real != recorded)
            return "frame " + std::to_string(f + 1) + ", keys " + std::to_string(keys) + ": " +
                   rec.difference(real.data(), recorded.data());
        mapGrid = *whole.grid;
        view = whole.view;
        player = whole.player;
        game = whole.game;
        std::memcpy(playerShots, whole.shots, sizeof playerShots);
        std::memcpy(enemyShots, whole.enemy, sizeof enemyShots);
        std::memcpy(particles, whole.sparks, sizeof particles);
        buildSolidList();
    }
    return "";
}
