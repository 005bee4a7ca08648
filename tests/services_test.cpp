#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/random.h"

namespace {

// The reference generator in the state seedRandom leaves: the same 624 words,
// with the next output due after a full twist.
std::mt19937 referenceAfterSeed() {
    std::ostringstream state;
    for (std::uint32_t word : randomState.words) state << word << ' ';
    state << randomWordCount;
    std::mt19937 reference;
    std::istringstream in(state.str());
    in >> reference;
    return reference;
}

}  // namespace

TEST(Random, SeedFillsTheStateWithTheLcgFromTheTruncatedSeed) {
    seedRandom(12345.987);
    EXPECT_EQ(randomState.words[0], 12345u);
    for (int i = 1; i < randomWordCount; ++i)
        ASSERT_EQ(randomState.words[i], randomState.words[i - 1] * 1664525u + 1013904223u) << i;
    EXPECT_EQ(randomState.position, randomWordCount);

    seedRandom(4294967296.0 * 3 + 7.5);  // taken modulo 2^32
    EXPECT_EQ(randomState.words[0], 7u);
    seedRandom(-1.9);  // truncates toward zero, then wraps
    EXPECT_EQ(randomState.words[0], 0xFFFFFFFFu);
    seedRandom(1e300);  // a whole multiple of 2^32
    EXPECT_EQ(randomState.words[0], 0u);
}

TEST(Random, OutputsMatchTheStandardMersenneTwisterOverSeveralTwists) {
    for (double seed : {0.0, 1.0, 5489.0, 987654.321, 4294967295.0}) {
        seedRandom(seed);
        std::mt19937 reference = referenceAfterSeed();
        for (int i = 0; i < 3 * randomWordCount + 5; ++i) {
            double r = randomReal();
            ASSERT_GE(r, 0.0);
            ASSERT_LT(r, 1.0);
            ASSERT_EQ(r, reference() / 4294967296.0) << "seed " << seed << " output " << i;
        }
    }
}

TEST(Random, SameSeedRepeatsTheSequence) {
    seedRandom(777);
    double first[8];
    for (double& r : first) r = randomReal();
    seedRandom(777);
    for (double r : first) EXPECT_EQ(randomReal(), r);
    seedRandom(778);
    int same = 0;
    for (double r : first) same += randomReal() == r;
    EXPECT_LT(same, 8);
}
