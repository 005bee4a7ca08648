// The checker's seed workers: every seed answered once, in seed order, whole
// however long its answer, by forked workers and here alike, and the game's
// state in this process as it was.
#include <vector>

#include <gtest/gtest.h>

#include "mapcheck/routes_enemies.h"
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
