// The route search's proofs played again in the real game with the enemies in,
// over many seeds, and what the enemies cost on the way.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// One proof: the keys held in each frame from the mission's first one (the
// route search's key masks), and what it must get.
struct EnemyProof {
    std::string name;               // its target, as the report names it
    std::vector<std::uint8_t> keys;
    int x = 0, y = 0;               // the target's cell
    std::uint8_t tile = 0;          // the tile it must take away; 0: the mission must be won
    bool generator = false;         // the tile goes by the beam
    bool touch = false;             // getting there is enough: a crystal stays while the power is full
    int boxFrame = 0;               // frame in which the objective is met, 0 not within the proof, -1 any
};

// Power lost to one enemy's shots in one play.
struct EnemyLoss {
    int enemy = 0;  // its entry in the enemy table
    int power = 0;
    int firstFrame = 0;
};

// One proof played on one seed.
struct ProofPlay {
    bool won = false;
    int endFrame = 0;      // the frame the play stopped: won, lost, or the keys ran out
    int blockedBy = -1;    // an enemy that can never be destroyed stopped the beam before every hit it took
    std::vector<EnemyLoss> losses;
};

// How an enemy is named in the report: "the turret at (62, 18)", its marker's cell.
struct EnemyName {
    int type = 0;
    int x = 0, y = 0;
    bool present = false;  // in play when the mission starts
};

// Runs job(seed) for seeds 1..seeds and returns its answers in seed order. Where
// the system can fork, `workers` (0: one per core) each run a share of the
// seeds in a copy of this process, since the game's state is global; with one
// worker, or where there is no fork, they run here one after the other. Either
// way this process's game state is unchanged.
std::vector<std::vector<int>> forEachSeed(int seeds, const std::function<std::vector<int>(int seed)>& job,
                                          int workers = 0);

// Loads `map` for `mission` with its enemies and plays every proof on
// each seed 1..seeds, drawing off, as brastor-headless --seed plays it.
std::vector<std::vector<ProofPlay>> replayWithEnemies(const std::vector<std::uint8_t>& map, int mission,
                                                      const std::vector<EnemyProof>& proofs, int seeds);
// The enemies of the map as loaded, by table entry.
std::vector<EnemyName> enemyNames(const std::vector<std::uint8_t>& map, int mission);
std::string enemyText(const EnemyName& e);

// The same proof without enemies: the frame it wins (0: it does not) and the
// frame its objective is met (0: never), so that its script can say both.
void playWithoutEnemies(const std::vector<std::uint8_t>& map, int mission, const EnemyProof& proof, int& wonFrame,
                        int& objectiveFrame);

// Tries what a player would do against the enemies (hold the beam until the
// target breaks, shoot first, crouched where needed, wait for what passes)
// on the mission's proof and keeps the edits that win more seeds; the proof
// stays one fixed list of keys. Returns the wins of the keys it leaves.
int improveAgainstEnemies(const std::vector<std::uint8_t>& map, int mission, EnemyProof& proof, int seeds);

// `proof` with its last beam held `frames` longer, as a player holds it until
// the target breaks, whenever that is; the objective may come at any frame.
EnemyProof holdBeamLonger(const EnemyProof& proof, int frames);

// The player before each frame of `keys` played without enemies.
struct FrameStart {
    bool atRest = false;  // on the ground, not jumping, beam off: frames put in here leave the route as it was
    int px = 0, py = 0;   // the player's centre, world pixels
    int facing = 1;
};
std::vector<FrameStart> framesWithoutEnemies(const std::vector<std::uint8_t>& map, int mission, const std::vector<std::uint8_t>& keys);

// A moment to shoot an enemy first: the player at rest, the enemy alive, on
// the screen, in the height of its shots and with no wall between.
struct ShotChance {
    int frame = -1;       // before this frame of the keys; -1 none
    int enemy = -1;
    bool crouched = false;
    int toward = 0;       // -1 left, 1 right
    int facing = 1;       // the player's facing then
    int shots = 0;        // enough to destroy it
};
// The first such moment at or after frame `from` of `keys` played with the
// enemies, for an enemy with `wanted[enemy]` set. Enemies walk the same on
// every seed (only their firing draws numbers), so one play tells.
ShotChance nextShotChance(const std::vector<std::uint8_t>& map, int mission, const std::vector<std::uint8_t>& keys, int from,
                          const std::vector<bool>& wanted);
