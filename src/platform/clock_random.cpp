// Clock, sleep and the random generator.
#include <cmath>

#include "platform/backend.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "platform/random.h"

RandomState randomState{};

namespace {
SleepHook sleepHook = nullptr;
void* sleepUser = nullptr;
}  // namespace

void setSleepHook(SleepHook hook, void* user) {
    sleepHook = hook;
    sleepUser = user;
}

double clockSeconds() { return backendClockSeconds(); }
void sleepMs(int ms) {
    if (sleepHook && !sleepHook(sleepUser)) return;
    backendSleepMs(ms);
}

// The seed's integer part taken modulo 2^32 (a negative seed wraps), spread
// over the state by the LCG; the first randomReal twists before reading.
void seedRandom(double seed) {
    constexpr double wordRange = 4294967296.0;
    double whole = std::isfinite(seed) ? std::fmod(std::trunc(seed), wordRange) : 0.0;
    if (whole < 0) whole += wordRange;
    std::uint32_t word = static_cast<std::uint32_t>(whole);
    for (int i = 0; i < randomWordCount; ++i) {
        randomState.words[i] = word;
        word = word * 1664525u + 1013904223u;
    }
    randomState.position = randomWordCount;
}

namespace {

void twist() {
    constexpr int middle = 397;
    constexpr std::uint32_t matrix = 0x9908B0DFu, upper = 0x80000000u, lower = 0x7FFFFFFFu;
    std::uint32_t* w = randomState.words;
    for (int i = 0; i < randomWordCount; ++i) {
        std::uint32_t y = (w[i] & upper) | (w[(i + 1) % randomWordCount] & lower);
        w[i] = w[(i + middle) % randomWordCount] ^ (y >> 1) ^ ((y & 1u) ? matrix : 0u);
    }
    randomState.position = 0;
}

}  // namespace

// A real in [0, 1): one tempered word divided by 2^32. A position outside the
// table (a state never seeded or overwritten by a test) twists first.
double randomReal() {
    if (randomState.position < 0 || randomState.position >= randomWordCount) twist();
    std::uint32_t y = randomState.words[randomState.position++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y / 4294967296.0;
}
