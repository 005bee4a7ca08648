// The checker's seed workers: every seed answered once, in seed order, whole
// however long its answer, by forked workers and here alike, and the game's
// state in this process as it was. The enemy replays: power lost put on the
// enemy whose shot took it, and proofs played together (sharing frames) ending
// as each played alone.
#include <vector>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "mapcheck/routes_enemies.h"
#include "mapcheck/routes_search.h"
#include "support/test_support.h"
#include "world/game_state.h"
#include "world/world.h"

namespace {

// An answer of a length that varies with the seed, some far longer than a
// pipe holds at once, whose words tell the seed they belong to. It plays with
// the game's state as a replay does.
std::vector<int> answerOf(int seed) {
    game.score += seed;
    mapCell(3, 4).tile = static_cast<std::uint8_t>(seed);
    std::vector<int> words(static_cast<std::size_t>(seed % 3 == 0 ? 70000 + seed : seed % 5), seed);
    for (std::size_t i = 0; i < words.size(); i += 997) words[i] = seed * 1000 + static_cast<int>(i % 1000);
    return words;
}

TEST(EnemyReplays, EverySeedAnsweredInOrderByAnyNumberOfWorkers) {
    for (int workers : {1, 2, 3, 7}) {
        for (int seeds : {0, 1, 5, 12}) {
            game.score = 1234;
            mapCell(3, 4).tile = 9;
            const std::vector<std::vector<int>> answers = forEachSeed(seeds, answerOf, workers);
            // What the jobs changed stays with them.
            EXPECT_EQ(game.score, 1234) << workers << " workers";
            EXPECT_EQ(mapCell(3, 4).tile, 9) << workers << " workers";
            ASSERT_EQ(answers.size(), static_cast<std::size_t>(seeds)) << workers << " workers";
            for (int seed = 1; seed <= seeds; ++seed)
                EXPECT_EQ(answers[seed - 1], answerOf(seed)) << "seed " << seed << ", " << workers << " workers";
        }
    }
}

}  // namespace

namespace {

// A floor with a turret that faces the player on its row, a second one walled
// off from it, and a walker on the way: its map picture's bytes.
std::vector<std::uint8_t> turretLevel() {
    const std::string folder = testTempFolder();
    writeMission(folder, 1, {
                                "......................",
                                "#....................#",
                                "#.............G......#",
                                "#....................#",
                                "#...#..P.d...........#",
                                "##T.#......W.......T.#",
                                "#gggggggggggggggggggg#",
                                "######################",
                            });
    std::ifstream in(folder + "/level1/map.bmp", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int enemyAt(const std::vector<EnemyName>& names, int x, int y) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].present && names[i].x == x && names[i].y == y) return static_cast<int>(i);
    return -1;
}

EnemyProof proofOf(std::vector<std::uint8_t> keys) {
    EnemyProof p;
    p.keys = std::move(keys);
    p.x = 4;
    p.y = 4;
    p.tile = 255;  // never taken: judged on staying alive and on the losses
    p.touch = true;
    return p;
}

TEST(EnemyReplays, PowerLostToShotsIsPutOnTheEnemyThatFiredThem) {
    freshGame();
    const std::vector<std::uint8_t> map = turretLevel();
    const std::vector<EnemyName> names = enemyNames(map, 1);
    const int near = enemyAt(names, 19, 5), walled = enemyAt(names, 2, 5), walker = enemyAt(names, 11, 5);
    ASSERT_GE(near, 0);
    ASSERT_GE(walled, 0);
    ASSERT_GE(walker, 0);
    // Standing still right of the wall, which the other turret fires into.
    const std::vector<std::uint8_t> keys(2400, 0);
    const std::vector<std::vector<ProofPlay>> plays = replayWithEnemies(map, 1, {proofOf(keys)}, 12);
    int hitSeeds = 0;
    for (const ProofPlay& p : plays.front()) {
        for (const EnemyLoss& l : p.losses) {
            EXPECT_TRUE(l.enemy == near || l.enemy == walker) << "enemy " << l.enemy << ", behind a wall: " << walled;
            EXPECT_GT(l.power, 0);
            EXPECT_GT(l.firstFrame, 0);
        }
        hitSeeds += !p.losses.empty();
    }
    EXPECT_GT(hitSeeds, 0) << "the near turret never hit";
}

TEST(EnemyReplays, ProofsPlayedTogetherEndAsEachPlayedAlone) {
    freshGame();
    const std::vector<std::uint8_t> map = turretLevel();
    using namespace routesearch;
    // One way in, then apart: on, standing, jumping, shooting crouched, and one
    // that is the start of another.
    std::vector<std::uint8_t> in(200, leftKey);
    std::vector<EnemyProof> proofs;
    for (std::uint8_t then : {rightKey, std::uint8_t{0}, upKey, std::uint8_t(downKey | fireKey)}) {
        std::vector<std::uint8_t> keys = in;
        keys.resize(1500, then);
        proofs.push_back(proofOf(keys));
    }
    proofs.push_back(proofOf(std::vector<std::uint8_t>(in.begin(), in.begin() + 120)));
    const std::vector<std::vector<ProofPlay>> together = replayWithEnemies(map, 1, proofs, 6);
    for (std::size_t p = 0; p < proofs.size(); ++p) {
        const std::vector<std::vector<ProofPlay>> alone = replayWithEnemies(map, 1, {proofs[p]}, 6);
        for (std::size_t s = 0; s < 6; ++s) {
            const ProofPlay &a = together[p][s], &b = alone[0][s];
            EXPECT_EQ(a.won, b.won) << "proof " << p << " seed " << s + 1;
            EXPECT_EQ(a.endFrame, b.endFrame) << "proof " << p << " seed " << s + 1;
            ASSERT_EQ(a.losses.size(), b.losses.size()) << "proof " << p << " seed " << s + 1;
            for (std::size_t i = 0; i < a.losses.size(); ++i) {
                EXPECT_EQ(a.losses[i].enemy, b.losses[i].enemy);
                EXPECT_EQ(a.losses[i].power, b.losses[i].power);
                EXPECT_EQ(a.losses[i].firstFrame, b.losses[i].firstFrame);
            }
        }
    }
}

}  // namespace
