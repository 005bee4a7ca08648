// The route checker's completeness oracle: small maps searched exhaustively
// with the game's own frame, every set of keys in every frame, and every
// verdict of checkRoutes held against what that search found.
//
// The oracle is bounded (a number of frames, a number of states), so it can
// refute an "unreachable" (by reaching the target) and confirm a "reached"
// (by reaching it in no more frames), but it cannot confirm an
// "unreachable": a target it does not reach within its bound may still be
// reachable by a longer route.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A map drawn from a seed: its rows in map letters (as the catalogue names
// them) and the mission whose rules it is checked under.
struct OracleMap {
    int mission = 0;
    std::vector<std::string> rows;
};

// A walled map of up to 16 x 10 cells with floors and ledges, a start, a few
// diamonds, crystals, hazards and hostages, and at most four cells that change
// the map (a key with its door, breakable blocks, generators, barriers).
OracleMap generateOracleMap(std::uint64_t seed);
// The same from any source of draws (each taken modulo what it chooses from).
OracleMap generateOracleMap(const std::function<std::uint64_t()>& next);
// The map as the 24-bit picture the game loads.
std::vector<std::uint8_t> oracleMapPicture(const OracleMap& map);
std::string oracleMapText(const OracleMap& map);

enum class Verdict { reached, unreachable, inconclusive };

struct OracleTarget {
    std::string name;          // as the checker's report names it
    int x = 0, y = 0;          // the exit beam: its column, y -1
    Verdict checker = Verdict::inconclusive;
    int checkerFrames = 0;     // the frames of the checker's route, when reached
    int oracleFrames = 0;      // the fewest frames the oracle found, 0 none within its bound
};

struct OracleComparison {
    bool complete = false;     // the oracle searched every state within its frame bound
    long long states = 0;      // distinct game states the oracle met
    int frameBound = 0;        // frames the oracle searched to
    int searched = 0;          // frames of which the oracle played every state
    std::vector<OracleTarget> targets;
    std::string report;        // the checker's report
    std::string fault;         // empty when every verdict agrees; else what disagrees
};

// Checks the map picture `file` with checkRoutes under `mission` (routes of
// at most `maxFrames` frames), then searches every game state the player can
// reach from the start within the frames of the longest route the checker
// claims or `maxFrames`, whichever is more, stopping after `maxStates`
// states. A fault is: a target the checker proved out of reach that the
// oracle reaches; a target the checker reached in F frames that the
// oracle, having searched whole, does not reach in F frames or fewer; or a
// game state the oracle's record of a state does not capture.
OracleComparison compareWithOracle(const std::string& file, int mission, int maxFrames, long long maxStates,
                                   bool everyKey);

// Plays `frames` frames of seeded random keys (the gun included) on the map
// `file` loaded for `mission`, and in each frame plays the same keys once
// more from the state the oracle records (the gun dropped): empty when every
// such frame ends in the same recorded state, else the first difference.
std::string checkOracleRecord(const std::string& file, int mission, int frames, std::uint64_t seed);
