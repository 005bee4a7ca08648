// The game's one random generator: MT19937 state words and the read position.
#pragma once

#include <cstdint>

constexpr int randomWordCount = 624;

struct RandomState {
    std::uint32_t words[randomWordCount];
    int position;  // next word to temper; randomWordCount means "twist first"
};
extern RandomState randomState;
