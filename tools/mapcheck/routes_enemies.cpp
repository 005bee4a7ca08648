// The route search's proofs replayed with the enemies in: the game's own frame
// (drawing off, every random draw kept), seed after seed, on every core where
// the system can fork. Who fired each shot that costs power is worked out
// from the shot tables around each frame, since the game does not keep it.
#include "mapcheck/routes_enemies.h"

#include <cstdio>
#include <thread>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#define BRASTOR_FORK_WORKERS 1
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "mapcheck/routes_search.h"
#include "platform/random.h"
#include "play/particles.h"

namespace {

using routesearch::inputOf;

// Everything a played frame can change, so that a play can start again from it.
struct PlayState {
    std::unique_ptr<MapGrid> grid = std::make_unique<MapGrid>();
    View view{};
    std::int32_t viewX = 0, viewY = 0;
    PlayerState player{};
    HitBox box{};
    GameState game{};
    Enemy enemies[enemiesInPlay]{};
    Shot playerShots[shotCount]{}, enemyShots[shotCount]{};
    Particle particles[particleCount]{};
    RandomState random{};
    TileHint hints[256]{};
    void save() {
        *grid = mapGrid;
        view = ::view;
        viewX = ::viewX;
        viewY = ::viewY;
        player = ::player;
        box = playerBox;
        game = ::game;
        std::copy(::enemies, ::enemies + enemiesInPlay, enemies);
        std::copy(std::begin(::playerShots), std::end(::playerShots), playerShots);
        std::copy(std::begin(::enemyShots), std::end(::enemyShots), enemyShots);
        std::copy(std::begin(::particles), std::end(::particles), particles);
        random = randomState;
        std::copy(std::begin(tileHints), std::end(tileHints), hints);
    }
    void restore() const {
        mapGrid = *grid;
        ::view = view;
        ::viewX = viewX;
        ::viewY = viewY;
        ::player = player;
        playerBox = box;
        ::game = game;
        std::copy(enemies, enemies + enemiesInPlay, ::enemies);
        std::copy(std::begin(playerShots), std::end(playerShots), ::playerShots);
        std::copy(std::begin(enemyShots), std::end(enemyShots), ::enemyShots);
        std::copy(std::begin(particles), std::end(particles), ::particles);
        randomState = random;
        std::copy(std::begin(hints), std::end(hints), tileHints);
        buildSolidList();
    }
};

// The mission as the level tester starts it after its briefing: the map with
// its enemies (or without), the player's start state, nothing drawn.
void startPlay(const std::vector<std::uint8_t>& map, int mission, bool withEnemies) {
    resetGameState();
    game.missionNumber = mission;
    resetMissionState();
    loadLevelMapBytes(map.data(), map.size());
    if (!withEnemies) resetEnemies();
    beginPlay();
}

bool indestructible(const Enemy& e) { return e.type == enemyType::swan || e.type == enemyType::snake; }

// Watches one play frame by frame: whose shots cost power, and who stops the beam.
class Watch {
public:
    Watch() { std::fill(std::begin(owner_), std::end(owner_), -1); }

    // One frame of the game with `keys` held, watched.
    void frame(std::uint8_t keys) {
        before();
        const bool metBefore = game.objectiveMet != 0;
        playFrame(FrameInput{inputOf(keys), false, false}, Drawing::off);
        play_.endFrame += 1;
        after(play_.endFrame);
        if (!metBefore && game.objectiveMet) metAt_ = play_.endFrame;
    }
    bool over() const { return game.missionResult != 0; }
    int objectiveFrame() const { return metAt_; }

    // What the play got, judged against what `proof` must get.
    ProofPlay finish(const EnemyProof& proof) const {
        ProofPlay play = play_;
        const bool got = proof.tile == 0 ? game.missionResult == missionCompleted
                                         : game.missionResult != missionFailed &&
                                               (proof.touch || mapCell(proof.x, proof.y).tile != proof.tile);
        // The script's text box comes at the objective's frame without enemies:
        // met at another frame, the rest of the script would act at the wrong time.
        // A target's own touch may meet it too, in its last frame, after its script ends.
        const bool inStep = proof.boxFrame < 0 || metAt_ == proof.boxFrame ||
                            (proof.boxFrame == 0 && proof.tile != 0 && metAt_ == static_cast<int>(proof.keys.size()));
        play.won = got && inStep;
        if (!play.won && proof.generator) play.blockedBy = worstBlocker();
        return play;
    }

    void before() {
        std::copy(std::begin(enemyShots), std::end(enemyShots), shots_);
        for (int i = 0; i < enemiesInPlay; ++i) {
            x_[i] = enemies[i].posX;
            y_[i] = enemies[i].posY;
            alive_[i] = enemies[i].hitPoints > 0;
        }
    }

    void after(int frame) {
        for (int k = 0; k < shotCount; ++k) {
            const Shot& was = shots_[k];
            const Shot& now = enemyShots[k];
            // A free entry changes only when a shot is fired into it.
            const bool fired = !was.active && std::memcmp(&was, &now, sizeof now) != 0;
            if (fired) owner_[k] = nearestFirer(now);
            if ((was.active || fired) && !now.active && hitPlayer(now)) note(owner_[k], frame);
        }
        noteBeamStop();
    }

    // The indestructible enemy that stopped the beam most often, -1 none.
    int worstBlocker() const {
        int best = -1;
        for (int i = 0; i < enemiesInPlay; ++i)
            if (stops_[i] > 0 && indestructible(enemies[i]) && (best < 0 || stops_[i] > stops_[best])) best = i;
        return best;
    }

private:
    // Shots start 18 pixels left of and 10 below their enemy's point, then move.
    int nearestFirer(const Shot& s) const {
        int best = -1;
        long bestDistance = 0;
        for (int i = 0; i < enemiesInPlay; ++i) {
            if (!alive_[i]) continue;
            const long dx = s.x + 18 - x_[i], dy = s.y - 10 - y_[i];
            const long d = dx * dx + dy * dy;
            if (best < 0 || d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        return best;
    }
    // The test the shot's last move made against the player, with the frame's view and box.
    static bool hitPlayer(const Shot& s) {
        const HitBox& box = s.kind == 1 ? bombBox : shotBox;
        return centreInBox(s.x - viewX, s.y - viewY, playerScreenX, playerScreenY, box, playerBox) != 0;
    }
    void note(int enemy, int frame) {
        if (enemy < 0) return;
        for (EnemyLoss& l : play_.losses)
            if (l.enemy == enemy) {
                l.power += 1;
                return;
            }
        play_.losses.push_back(EnemyLoss{enemy, 1, frame});
    }
    // The beam ended short of its 19 segments: at a solid cell or an enemy.
    void noteBeamStop() {
        if (!player.streamerOn || player.diamonds == 0 || beamSegmentsCast >= beamSegmentCount) return;
        std::int32_t sx, sy;
        streamerSegment(player.streamerAngle, beamSegmentsCast + 2, sx, sy);
        for (int i = 0; i < enemiesInPlay; ++i) {
            const Enemy& e = enemies[i];
            if (cornerTest(sx, sy, e.posX - 32 - viewX, e.posY - viewY, pointBox, enemyBox) == 0) continue;
            if (e.hitPoints > 0 || indestructible(e)) ++stops_[i];
            return;
        }
    }

    ProofPlay play_;
    int metAt_ = 0;
    Shot shots_[shotCount]{};
    int owner_[shotCount];
    std::int32_t x_[enemiesInPlay]{}, y_[enemiesInPlay]{};
    bool alive_[enemiesInPlay]{};
    int stops_[enemiesInPlay]{};
};

// Plays `proof` from the state now.
ProofPlay playProof(const EnemyProof& proof, int* objectiveFrame = nullptr) {
    Watch watch;
    for (std::size_t f = 0; f < proof.keys.size() && !watch.over(); ++f) watch.frame(proof.keys[f]);
    if (objectiveFrame) *objectiveFrame = watch.objectiveFrame();
    return watch.finish(proof);
}

// Plays the proofs `group` (indices into `proofs`, which share their keys
// before frame f and are played that far in `watch`) to their ends. Frames
// they share are played once; where they part, the state is kept and each
// branch is played from it.
void playBranches(const std::vector<EnemyProof>& proofs, std::vector<std::size_t> group, std::size_t f, Watch& watch,
                  std::vector<ProofPlay>& plays) {
    for (;;) {
        // Proofs that end here (or whose play has ended) are judged now.
        std::vector<std::size_t> going;
        for (std::size_t p : group) {
            if (watch.over() || f == proofs[p].keys.size())
                plays[p] = watch.finish(proofs[p]);
            else
                going.push_back(p);
        }
        if (going.empty()) return;
        const std::uint8_t keys = proofs[going.front()].keys[f];
        std::vector<std::size_t> same, other;
        for (std::size_t p : going) (proofs[p].keys[f] == keys ? same : other).push_back(p);
        if (!other.empty()) {
            // The others part here: played from a copy of this moment (kept
            // off the stack: a map of many targets branches deep).
            const auto branch = std::make_unique<PlayState>();
            branch->save();
            const auto own = std::make_unique<Watch>(watch);
            playBranches(proofs, other, f, *own, plays);
            branch->restore();
        }
        group = std::move(same);
        watch.frame(keys);
        ++f;
    }
}

// Plays every proof from the state now. Proofs share their first frames (the
// map changes played before each target), which are played once.
std::vector<ProofPlay> playProofs(const std::vector<EnemyProof>& proofs) {
    std::vector<ProofPlay> plays(proofs.size());
    std::vector<std::size_t> all(proofs.size());
    for (std::size_t p = 0; p < proofs.size(); ++p) all[p] = p;
    Watch watch;
    playBranches(proofs, all, 0, watch, plays);
    return plays;
}

}  // namespace

std::vector<std::vector<int>> forEachSeed(int seeds, const std::function<std::vector<int>(int seed)>& job,
                                          int workers) {
    std::vector<std::vector<int>> answers(static_cast<std::size_t>(std::max(seeds, 0)));
    std::vector<std::uint8_t> done(answers.size(), 0);
#ifdef BRASTOR_FORK_WORKERS
    if (workers <= 0) workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    workers = std::min(seeds, workers);
    if (workers > 1) {
        std::fflush(nullptr);
        std::vector<std::pair<pid_t, int>> running;
        for (int w = 0; w < workers; ++w) {
            int pipeEnds[2];
            if (pipe(pipeEnds) != 0) break;
            const pid_t pid = fork();
            if (pid < 0) {
                close(pipeEnds[0]);
                close(pipeEnds[1]);
                break;
            }
            if (pid == 0) {
                close(pipeEnds[0]);
                for (int seed = w + 1; seed <= seeds; seed += workers) {
                    std::vector<int> record = job(seed);
                    record.insert(record.begin(), {seed, static_cast<int>(record.size())});
                    const char* p = reinterpret_cast<const char*>(record.data());
                    std::size_t left = record.size() * sizeof(int);
                    while (left > 0) {
                        const ssize_t n = write(pipeEnds[1], p, left);
                        if (n <= 0) _exit(1);
                        p += n;
                        left -= static_cast<std::size_t>(n);
                    }
                }
                _exit(0);
            }
            close(pipeEnds[1]);
            running.push_back({pid, pipeEnds[0]});
        }
        for (const auto& [pid, fd] : running) {
            std::string bytes;
            char buffer[1 << 14];
            for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
            std::vector<int> data(bytes.size() / sizeof(int));
            std::memcpy(data.data(), bytes.data(), data.size() * sizeof(int));
            close(fd);
            int status = 0;
            waitpid(pid, &status, 0);
            for (std::size_t i = 0; i + 2 <= data.size();) {
                const int seed = data[i], size = data[i + 1];
                if (seed < 1 || seed > seeds || size < 0 || i + 2 + static_cast<std::size_t>(size) > data.size()) break;
                answers[seed - 1].assign(data.begin() + static_cast<long>(i) + 2,
                                         data.begin() + static_cast<long>(i) + 2 + size);
                done[seed - 1] = 1;
                i += 2 + static_cast<std::size_t>(size);
            }
        }
    }
#else
    (void)workers;
#endif
    // Here, one seed after another: whatever no worker answered.
    PlayState kept;
    kept.save();
    bool ran = false;
    for (int seed = 1; seed <= seeds; ++seed) {
        if (done[seed - 1]) continue;
        answers[seed - 1] = job(seed);
        ran = true;
    }
    if (ran) kept.restore();
    return answers;
}

std::vector<std::vector<ProofPlay>> replayWithEnemies(const std::vector<std::uint8_t>& map, int mission,
                                                      const std::vector<EnemyProof>& proofs, int seeds) {
    // Loaded once per worker: the map file is read once, not per seed.
    PlayState start;
    bool loaded = false;
    auto job = [&](int seed) {
        if (!loaded) {
            startPlay(map, mission, true);
            start.save();
            loaded = true;
        }
        start.restore();
        std::vector<int> record;
        seedRandom(seed);
        for (const ProofPlay& play : playProofs(proofs)) {
            record.push_back(play.won);
            record.push_back(play.endFrame);
            record.push_back(play.blockedBy);
            record.push_back(static_cast<int>(play.losses.size()));
            for (const EnemyLoss& l : play.losses) record.insert(record.end(), {l.enemy, l.power, l.firstFrame});
        }
        return record;
    };
    const std::vector<std::vector<int>> answers = forEachSeed(seeds, job);
    std::vector<std::vector<ProofPlay>> plays(proofs.size(), std::vector<ProofPlay>(answers.size()));
    for (std::size_t s = 0; s < answers.size(); ++s) {
        const std::vector<int>& r = answers[s];
        std::size_t i = 0;
        for (std::size_t p = 0; p < proofs.size() && i + 4 <= r.size(); ++p) {
            ProofPlay& play = plays[p][s];
            play.won = r[i] != 0;
            play.endFrame = r[i + 1];
            play.blockedBy = r[i + 2];
            const int n = r[i + 3];
            i += 4;
            for (int k = 0; k < n && i + 3 <= r.size(); ++k, i += 3) play.losses.push_back(EnemyLoss{r[i], r[i + 1], r[i + 2]});
        }
    }
    return plays;
}

std::vector<EnemyName> enemyNames(const std::vector<std::uint8_t>& map, int mission) {
    PlayState kept;
    kept.save();
    startPlay(map, mission, true);
    std::vector<EnemyName> names(enemiesInPlay);
    for (int i = 0; i < enemiesInPlay; ++i) names[i] = EnemyName{enemies[i].type, enemies[i].homeX, enemies[i].homeY, enemies[i].hitPoints > 0};
    kept.restore();
    return names;
}

std::string enemyText(const EnemyName& e) {
    const char* kind = e.type == enemyType::walker   ? "walker"
                       : e.type == enemyType::flyer  ? "flyer"
                       : e.type == enemyType::turret ? "turret"
                       : e.type == enemyType::snake  ? "snake"
                       : e.type == enemyType::swan   ? "swan"
                                                     : "enemy";
    return std::string("the ") + kind + " at " + routesearch::cellText(e.x, e.y);
}

void playWithoutEnemies(const std::vector<std::uint8_t>& map, int mission, const EnemyProof& proof, int& wonFrame,
                        int& objectiveFrame) {
    PlayState kept;
    kept.save();
    startPlay(map, mission, false);
    seedRandom(1);
    EnemyProof free = proof;
    free.boxFrame = -1;
    const ProofPlay play = playProof(free, &objectiveFrame);
    wonFrame = play.won ? play.endFrame : 0;
    kept.restore();
}

namespace routesearch {

namespace {

// The proof of a reached target as the enemy replays take it.
EnemyProof proofOf(const Target& t, const std::string& name) {
    EnemyProof p;
    p.name = name;
    p.keys = t.keys;
    p.x = t.x;
    p.y = t.y;
    p.tile = t.kind == Kind::exitBeam ? 0 : t.tile;
    p.generator = t.kind == Kind::generator;
    p.touch = t.kind == Kind::crystal;
    p.boxFrame = t.boxFrame;
    return p;
}

constexpr long long replayBudget = 4'000'000;  // frames replayed over all seeds, about 8 s of one core
constexpr int beamHeldLonger = 512;  // frames: a swan's walk of four cells and back

std::string seedsText(int n, int seeds) { return std::to_string(n) + " of " + std::to_string(seeds) + " seeds"; }

}  // namespace

// The report's lines on the enemies: the mission's proof's wins and who costs
// it power, each other route that loses a seed, and, as unresolved, the
// generators an enemy that cannot be destroyed keeps from the beam on every seed.
void RouteSearch::reportEnemies(const std::vector<std::uint8_t>& map, int seeds, Findings& findings) {
    if (seeds <= 0) return;
    const std::vector<EnemyName> names = enemyNames(map, mission_);
    if (std::none_of(names.begin(), names.end(), [](const EnemyName& e) { return e.present; })) return;
    std::vector<EnemyProof> proofs;
    std::vector<const Target*> of;
    for (const Target& t : targets_) {
        if (!t.reached || t.keys.empty()) continue;
        proofs.push_back(proofOf(t, t.kind == Kind::exitBeam ? "the mission's proof"
                                                              : std::string(kindName(t.kind)) + " " + cellText(t.x, t.y)));
        of.push_back(&t);
    }
    // A map of many long routes: past the budget, the mission's proof alone.
    long long frames = 0;
    for (std::size_t p = 0; p < proofs.size(); ++p) {
        std::size_t shared = 0;
        if (p + 1 < proofs.size()) {
            const std::vector<std::uint8_t>& a = proofs[p].keys;
            const std::vector<std::uint8_t>& b = proofs.back().keys;
            while (shared < a.size() && shared < b.size() && a[shared] == b[shared]) ++shared;
        }
        frames += static_cast<long long>(proofs[p].keys.size() - shared);
    }
    bool cut = false;
    if (frames * seeds > replayBudget && proofs.size() > 1) {
        const bool exit = of.back()->kind == Kind::exitBeam;
        proofs.erase(proofs.begin(), proofs.end() - (exit ? 1 : 0));
        of.erase(of.begin(), of.end() - (exit ? 1 : 0));
        cut = true;
    }
    // A generator out of the search's reach only for the enemies would have a
    // route here; one the beam never breaks however long it is held is tried too.
    std::vector<std::vector<ProofPlay>> plays = replayWithEnemies(map, mission_, proofs, seeds);
    // A generator whose beam an enemy stopped on every seed: held on for as
    // long as a swan's or a snake's walk takes to pass, does it break then?
    std::vector<std::size_t> stopped;
    std::vector<EnemyProof> held;
    for (std::size_t p = 0; p < proofs.size(); ++p) {
        const bool everySeed = std::all_of(plays[p].begin(), plays[p].end(), [](const ProofPlay& r) { return !r.won && r.blockedBy >= 0; });
        if (!proofs[p].generator || plays[p].empty() || !everySeed) continue;
        stopped.push_back(p);
        held.push_back(holdBeamLonger(proofs[p], beamHeldLonger));
    }
    if (!held.empty()) {
        const std::vector<std::vector<ProofPlay>> longer = replayWithEnemies(map, mission_, held, seeds);
        for (std::size_t i = 0; i < stopped.size(); ++i) {
            std::vector<ProofPlay>& runs = plays[stopped[i]];
            for (std::size_t s = 0; s < runs.size(); ++s)
                if (longer[i][s].won || longer[i][s].blockedBy != runs[s].blockedBy) runs[s].blockedBy = -1;
        }
    }
    findings.add(Severity::note, "with the enemies in, over " + std::to_string(seeds) + " seeds:");
    constexpr int linesShown = 10;
    int shown = 0, allWon = 0;
    for (std::size_t p = 0; p < proofs.size(); ++p) {
        const std::vector<ProofPlay>& runs = plays[p];
        const int wins = static_cast<int>(std::count_if(runs.begin(), runs.end(), [](const ProofPlay& r) { return r.won; }));
        const bool exit = of[p]->kind == Kind::exitBeam;
        // Per enemy: the seeds on which it cost power, and the most it cost on one.
        std::map<int, std::pair<int, int>> cost;
        for (const ProofPlay& r : runs)
            for (const EnemyLoss& l : r.losses) {
                auto& c = cost[l.enemy];
                c.first += 1;
                c.second = std::max(c.second, l.power);
            }
        std::vector<std::pair<int, int>> worst;  // (seeds, enemy)
        for (const auto& [enemy, c] : cost) worst.push_back({c.first, enemy});
        std::sort(worst.begin(), worst.end(), [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
        auto costText = [&](const std::pair<int, int>& w) {
            const auto& c = cost[w.second];
            return enemyText(names[w.second]) + " costs " + (c.second > 1 ? "up to " : "") + std::to_string(c.second) +
                   " power on " + seedsText(c.first, seeds);
        };
        // The enemy that stops the beam on every lost seed, and can never be destroyed.
        int blocker = runs.empty() || wins > 0 ? -1 : runs.front().blockedBy;
        for (const ProofPlay& r : runs)
            if (r.blockedBy != blocker) blocker = -1;
        if (blocker >= 0) {
            // Only the beam plans the search chose were played against the
            // enemies: another place or angle may pass the enemy, so the
            // level is not proven broken.
            findings.add(Severity::unresolved,
                         "inconclusive: " + enemyText(names[blocker]) +
                             " stands in the beam's line to it on every seed, and cannot be destroyed (only the "
                             "search's own beam plan was played with the enemies in)",
                         At{of[p]->x, of[p]->y}, proofs[p].name);
            continue;
        }
        if (exit) {
            std::string line = "  " + proofs[p].name + " wins " + seedsText(wins, seeds) + " with enemies";
            if (fittedFrames_ != 0)
                line += ", shooting first and waiting where that wins more (" + std::to_string(fittedFrames_) + " frames more)";
            findings.add(Severity::note, line);
            // The seeds it loses, to watch: brastor-playtest --seed N --replay.
            if (wins < seeds && wins > 0) {
                std::string lost = std::string("    lost on seed") + (seeds - wins == 1 ? "" : "s");
                int listed = 0;
                for (std::size_t s = 0; s < runs.size() && listed < 10; ++s)
                    if (!runs[s].won) lost += (listed++ ? ", " : " ") + std::to_string(s + 1);
                findings.add(Severity::note, lost + (seeds - wins > 10 ? ", ..." : ""));
            }
            for (std::size_t i = 0; i < worst.size() && i < 5; ++i) findings.add(Severity::note, "    " + costText(worst[i]));
            continue;
        }
        if (wins == seeds) {
            ++allWon;
            continue;
        }
        if (++shown > linesShown) continue;
        std::string line = "  " + proofs[p].name + ": its route wins " + seedsText(wins, seeds);
        if (!worst.empty()) line += "; " + costText(worst.front());
        findings.add(Severity::note, line);
    }
    if (shown > linesShown)
        findings.add(Severity::note, "  and " + std::to_string(shown - linesShown) + " more routes that lose seeds");
    if (cut)
        findings.add(Severity::note, "  the routes to the other targets were not replayed: " + std::to_string(frames) +
                                         " frames a seed, too many");
    if (allWon > 0)
        findings.add(Severity::note,
                     "  " + std::to_string(allWon) + " other route" + (allWon == 1 ? " wins" : "s win") + " on every seed");
}

}  // namespace routesearch

std::vector<FrameStart> framesWithoutEnemies(const std::vector<std::uint8_t>& map, int mission, const std::vector<std::uint8_t>& keys) {
    PlayState kept;
    kept.save();
    startPlay(map, mission, false);
    seedRandom(1);
    std::vector<FrameStart> starts(keys.size());
    for (std::size_t f = 0; f < keys.size() && game.missionResult == 0; ++f) {
        const routesearch::Pos p = routesearch::currentPos();
        starts[f] = FrameStart{player.onGround != 0 && player.jumpLeft == 0 && player.streamerOn == 0, p.px + 26,
                               p.py + 32, player.facing};
        playFrame(FrameInput{inputOf(keys[f]), false, false}, Drawing::off);
    }
    kept.restore();
    return starts;
}

ShotChance nextShotChance(const std::vector<std::uint8_t>& map, int mission, const std::vector<std::uint8_t>& keys, int from,
                          const std::vector<bool>& wanted) {
    PlayState kept;
    kept.save();
    startPlay(map, mission, true);
    seedRandom(1);
    ShotChance chance;
    for (std::size_t f = 0; f < keys.size() && game.missionResult == 0 && chance.frame < 0; ++f) {
        const bool atRest = player.onGround != 0 && player.jumpLeft == 0 && player.streamerOn == 0;
        if (static_cast<int>(f) >= from && atRest) {
            const routesearch::Pos p = routesearch::currentPos();
            for (int i = 0; i < enemiesInPlay && chance.frame < 0; ++i) {
                const Enemy& e = enemies[i];
                if (e.hitPoints <= 0 || i >= static_cast<int>(wanted.size()) || !wanted[i] || indestructible(e)) continue;
                const int sx = e.posX - p.px + playerScreenX, sy = e.posY - p.py + playerScreenY;
                if (!(0 < sx && sx < screenWidth && 0 < sy && sy < screenHeight)) continue;
                for (bool crouched : {true, false}) {
                    // The shot's centre row, and the cells it crosses on the way.
                    const int y = p.py + (crouched ? 33 : 15) + 3;
                    if (y < e.posY || y > e.posY + 31) continue;
                    const int toward = e.posX - 16 > p.px + 26 ? 1 : -1;
                    const int gun = toward > 0 ? p.px + 48 : p.px;
                    bool clear = true;
                    const int row = routesearch::cellOf(y);
                    for (int x = routesearch::cellOf(std::min(gun, e.posX - 16)); x <= routesearch::cellOf(std::max(gun, e.posX - 16)); ++x)
                        if (cellAt(x, row).block != 0) clear = false;
                    if (!clear) continue;
                    chance = ShotChance{static_cast<int>(f), i, crouched, toward, player.facing, e.hitPoints + 1};
                    break;
                }
            }
        }
        if (chance.frame < 0) playFrame(FrameInput{inputOf(keys[f]), false, false}, Drawing::off);
    }
    kept.restore();
    return chance;
}
