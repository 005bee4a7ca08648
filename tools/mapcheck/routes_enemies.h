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
// the system can fork, workers (one per core) each run a share of the seeds in
// a copy of this process, since the game's state is global; elsewhere they run
// here one after the other. Either way this process's game state is unchanged.
std::vector<std::vector<int>> forEachSeed(int seeds, const std::function<std::vector<int>(int seed)>& job);

// Loads `mapFile` for `mission` with its enemies and plays every proof on
// each seed 1..seeds, drawing off, as brastor-headless --seed plays it.
std::vector<std::vector<ProofPlay>> replayWithEnemies(const std::string& mapFile, int mission,
                                                      const std::vector<EnemyProof>& proofs, int seeds);
// The enemies of the map as loaded, by table entry.
std::vector<EnemyName> enemyNames(const std::string& mapFile, int mission);
std::string enemyText(const EnemyName& e);

// The same proof without enemies: the frame it wins (0: it does not) and the
// frame its objective is met (0: never), so that its script can say both.
void playWithoutEnemies(const std::string& mapFile, int mission, const EnemyProof& proof, int& wonFrame,
                        int& objectiveFrame);

// Tries what a player would do against the enemies (hold the beam until the
// target breaks, shoot first, crouched where needed, wait for what passes)
// on the mission's proof and keeps the edits that win more seeds; the proof
// stays one fixed list of keys. Returns the wins of the keys it leaves.
int improveAgainstEnemies(const std::string& mapFile, int mission, EnemyProof& proof, int seeds);
