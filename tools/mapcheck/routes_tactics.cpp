// The mission's proof fitted to the enemies: edits a player would make (shoot
// the enemy that costs power first, standing or crouched; wait for what is
// passing; hold the beam on until the block breaks), each kept only when the
// proof then wins more seeds. The proof stays one fixed list of keys, the same
// on every seed.
#include "mapcheck/routes_enemies.h"
#include "mapcheck/routes_search.h"

namespace {

using namespace routesearch;

constexpr int screenSeeds = 30;   // seeds a candidate edit is first tried on
constexpr int maxRounds = 10;
constexpr int fireEvery = 16;     // frames between shots with the fire key held
constexpr long long fittingBudget = 2'000'000;  // frames of one replay of the proof over every seed

struct Score {
    int wins = 0;
    int lost = 0;  // power lost to enemies over every seed
    bool operator>(const Score& o) const { return wins != o.wins ? wins > o.wins : lost < o.lost; }
};

Score scoreOf(const std::vector<ProofPlay>& plays) {
    Score s;
    for (const ProofPlay& p : plays) {
        s.wins += p.won;
        for (const EnemyLoss& l : p.losses) s.lost += l.power;
    }
    return s;
}

std::vector<ProofPlay> playsOf(const std::vector<std::uint8_t>& map, int mission, const EnemyProof& proof, int seeds) {
    return replayWithEnemies(map, mission, {proof}, seeds).front();
}

// `proof` with `added` put in before frame `at`; its objective's frame moves with it.
EnemyProof inserted(const EnemyProof& proof, std::size_t at, const std::vector<std::uint8_t>& added) {
    EnemyProof p = proof;
    p.keys.insert(p.keys.begin() + static_cast<long>(at), added.begin(), added.end());
    if (p.boxFrame > static_cast<int>(at)) p.boxFrame += static_cast<int>(added.size());
    return p;
}

// Turn toward `toward` without a step (crouched), fire `shots` times, turn back.
std::vector<std::uint8_t> shootFirst(int toward, int facing, int shots, bool crouched) {
    const std::uint8_t turn = toward < 0 ? leftKey : rightKey;
    const std::uint8_t back = facing < 0 ? leftKey : rightKey;
    const std::size_t firing = static_cast<std::size_t>(fireEvery * (shots - 1) + 1);
    std::vector<std::uint8_t> keys(firing + 2, static_cast<std::uint8_t>(fireKey | (crouched ? downKey : 0)));
    keys.front() = static_cast<std::uint8_t>(downKey | turn);
    keys.back() = static_cast<std::uint8_t>(downKey | back);
    return keys;
}

// The last frame at or before `frame` that frames can be put in before.
int restBefore(const std::vector<FrameStart>& starts, int frame) {
    for (int f = std::min(frame, static_cast<int>(starts.size()) - 1); f > 0; --f)
        if (starts[f].atRest) return f;
    return -1;
}

// Whether a shot fired from a figure whose top is at `top` flies through the
// rows of an enemy whose marker is in row `row`: standing shots leave 15
// pixels under the top, crouched ones 33, and are 8 pixels high.
bool shotMeets(int top, int row, bool crouched) {
    const int centre = top + (crouched ? 33 : 15) + 4;
    return centre >= 32 * (row - 1) && centre < 32 * row;
}

// `proof` with every enemy that costs power on a few seeds shot first, at the
// first moment it can be: in order along the route, each once.
EnemyProof shootEnemiesFirst(const std::vector<std::uint8_t>& map, int mission, const EnemyProof& proof,
                             const std::vector<ProofPlay>& plays) {
    std::vector<int> seedsHit(enemiesInPlay, 0);
    for (const ProofPlay& p : plays)
        for (const EnemyLoss& l : p.losses) seedsHit[l.enemy] += 1;
    std::vector<bool> wanted(enemiesInPlay);
    for (int i = 0; i < enemiesInPlay; ++i) wanted[i] = seedsHit[i] * 20 >= static_cast<int>(plays.size());
    EnemyProof shot = proof;
    int from = 0;
    for (int tries = 0; tries < 2 * enemiesInPlay; ++tries) {
        const ShotChance c = nextShotChance(map, mission, shot.keys, from, wanted);
        if (c.frame < 0) break;
        wanted[c.enemy] = false;
        EnemyProof next = inserted(shot, static_cast<std::size_t>(c.frame), shootFirst(c.toward, c.facing, c.shots, c.crouched));
        int won = 0, met = 0;
        playWithoutEnemies(map, mission, next, won, met);
        if (won == 0) {
            wanted[c.enemy] = true;  // not from here; a later moment may do
            from = c.frame + 1;
            continue;
        }
        next.boxFrame = met;
        shot = next;
        from = c.frame;
    }
    return shot;
}

}  // namespace

int improveAgainstEnemies(const std::vector<std::uint8_t>& map, int mission, EnemyProof& proof, int seeds) {
    // Shooting first is tried, and kept or not, on a share of the seeds.
    const int few = std::min(seeds, screenSeeds);
    const std::vector<ProofPlay> before = playsOf(map, mission, proof, few);
    const EnemyProof shot = shootEnemiesFirst(map, mission, proof, before);
    if (shot.keys != proof.keys && scoreOf(playsOf(map, mission, shot, few)) > scoreOf(before)) proof = shot;
    std::vector<ProofPlay> plays = playsOf(map, mission, proof, seeds);
    Score best = scoreOf(plays);
    const std::vector<EnemyName> names = enemyNames(map, mission);
    const int enough = seeds - seeds / 25;  // a margin over 95 in 100
    std::vector<std::pair<int, int>> tried;  // (enemy, frame of its first hit) worked on
    bool beamTried = false;                  // the beam holds were tried on this proof
    for (int round = 0; round < maxRounds && best.wins < enough; ++round) {
        // The enemy that costs power first on the most lost seeds.
        std::map<int, std::vector<int>> firstHits;
        for (const ProofPlay& p : plays) {
            if (p.won) continue;
            const EnemyLoss* first = nullptr;
            for (const EnemyLoss& l : p.losses)
                if (!first || l.firstFrame < first->firstFrame) first = &l;
            if (first) firstHits[first->enemy].push_back(first->firstFrame);
        }
        int enemy = -1, frame = 0;
        for (auto& [e, frames] : firstHits) {
            std::sort(frames.begin(), frames.end());
            const bool done = std::find(tried.begin(), tried.end(), std::make_pair(e, frames.front())) != tried.end();
            if (!done && (enemy < 0 || frames.size() > firstHits[enemy].size())) enemy = e, frame = frames.front();
        }
        std::vector<EnemyProof> candidates;
        // Lost with no power lost to an enemy: an enemy in the beam's way may
        // have kept a block whole. Hold each beam before the loss on until it breaks.
        std::vector<int> quiet;
        for (const ProofPlay& p : plays)
            if (!p.won && p.losses.empty()) quiet.push_back(p.endFrame);
        if (!quiet.empty() && !beamTried) {
            beamTried = true;
            const int lostAt = *std::max_element(quiet.begin(), quiet.end());
            for (std::size_t f = 1; f < proof.keys.size() && static_cast<int>(f) < lostAt; ++f)
                if ((proof.keys[f - 1] & beamKey) && !(proof.keys[f] & beamKey))
                    for (std::size_t more : {16, 48}) candidates.push_back(inserted(proof, f, std::vector<std::uint8_t>(more, beamKey)));
        }
        if (enemy < 0 && candidates.empty()) break;
        if (enemy >= 0) tried.push_back({enemy, frame});
        const std::vector<FrameStart> starts = framesWithoutEnemies(map, mission, proof.keys);
        // Shoot it first, from the last place before its first hit where the
        // shots fly at its height, and from the first such place not long before.
        const EnemyName e = enemy >= 0 ? names[enemy] : EnemyName{};
        if (enemy >= 0 && e.type != enemyType::swan && e.type != enemyType::snake) {
            for (bool crouched : {true, false}) {
                // The last such place, the last one a while before the hit (the
                // shots must fly to it and land before), and the first one.
                int last = -1, ahead = -1, first = -1;
                for (int f = std::min(frame, static_cast<int>(starts.size()) - 1); f > std::max(0, frame - 900); --f) {
                    if (!starts[f].atRest || !shotMeets(starts[f].py - 32, e.y, crouched)) continue;
                    if (last < 0) last = f;
                    if (ahead < 0 && f < frame - 90) ahead = f;
                    first = f;
                }
                std::vector<int> places;
                for (int at : {last, ahead, first})
                    if (at > 0 && std::find(places.begin(), places.end(), at) == places.end()) places.push_back(at);
                for (int at : places) {
                    const int toward = 32 * e.x - 16 > starts[at].px ? 1 : -1;
                    candidates.push_back(inserted(proof, at, shootFirst(toward, starts[at].facing, 6, crouched)));
                }
            }
        }
        // Or let it pass: wait before its first hit.
        if (const int at = enemy >= 0 ? restBefore(starts, frame - 60) : -1; at > 0)
            for (std::size_t wait : {45, 90, 180}) candidates.push_back(inserted(proof, at, std::vector<std::uint8_t>(wait, 0)));
        // Tried on a share of the seeds first, all in one replay (they share
        // the frames before their edits); the best of them on every seed.
        std::vector<EnemyProof> tryOut{proof};
        for (EnemyProof& c : candidates) {
            int won = 0, met = 0;
            playWithoutEnemies(map, mission, c, won, met);
            if (won == 0) continue;
            c.boxFrame = met;
            tryOut.push_back(c);
        }
        if (tryOut.size() == 1) continue;
        const std::vector<std::vector<ProofPlay>> screened =
            replayWithEnemies(map, mission, tryOut, std::min(seeds, screenSeeds));
        std::size_t chosen = 0;
        for (std::size_t c = 1; c < tryOut.size(); ++c) {
            if (scoreOf(screened[c]) > scoreOf(screened[chosen])) chosen = c;
        }
        if (chosen == 0) continue;
        std::vector<ProofPlay> now = playsOf(map, mission, tryOut[chosen], seeds);
        const Score s = scoreOf(now);
        if (!(s > best)) continue;
        best = s;
        plays = std::move(now);
        proof = tryOut[chosen];
        beamTried = false;
    }
    return best.wins;
}

EnemyProof holdBeamLonger(const EnemyProof& proof, int frames) {
    EnemyProof p = proof;
    std::size_t end = p.keys.size();
    while (end > 0 && !(p.keys[end - 1] & beamKey)) --end;
    if (end == 0) return p;
    p.keys.insert(p.keys.begin() + static_cast<long>(end), static_cast<std::size_t>(frames), beamKey);
    p.boxFrame = -1;
    return p;
}

namespace routesearch {

// The exit's proof, when there is one and the map has enemies, made to win as
// many seeds as the edits above can; its frames and objective frame follow.
void RouteSearch::fitProofToEnemies(const std::vector<std::uint8_t>& map, int seeds) {
    if (seeds <= 0 || targets_.empty()) return;
    Target& exit = targets_.back();
    if (exit.kind != Kind::exitBeam || !exit.reached || exit.keys.empty()) return;
    // Each try replays the proof on many seeds: a very long one is left as it is.
    if (static_cast<long long>(exit.keys.size()) * seeds > fittingBudget) return;
    const std::vector<EnemyName> names = enemyNames(map, mission_);
    if (std::none_of(names.begin(), names.end(), [](const EnemyName& e) { return e.present; })) return;
    EnemyProof proof;
    proof.keys = exit.keys;
    proof.boxFrame = exit.boxFrame;
    improveAgainstEnemies(map, mission_, proof, seeds);
    if (proof.keys == exit.keys) return;
    int won = 0, met = 0;
    playWithoutEnemies(map, mission_, proof, won, met);
    if (won == 0) return;
    fittedFrames_ = won - exit.frames;
    exit.keys = proof.keys;
    exit.keys.resize(static_cast<std::size_t>(won));
    exit.frames = won;
    exit.boxFrame = met;
}

}  // namespace routesearch
