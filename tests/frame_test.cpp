// The frame run without drawing is the same frame: the route search and the
// tools play the game through it, so any state change hidden in a drawing
// step would make them play another game than the player's.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "play/enemies.h"
#include "play/particles.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "support/test_support.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

std::uint64_t mix(std::uint64_t h, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211u;
    return h;
}

// Every table and value a frame may change.
std::uint64_t stateDigest() {
    std::uint64_t h = 14695981039346656037u;
    auto table = [&h](const auto&... values) { ((h = mix(h, &values, sizeof values)), ...); };
    table(mapGrid, player, playerBox, view, game, enemies, playerShots, enemyShots, particles, solidLast);
    h = mix(h, contacts, sizeof(Contact) * static_cast<std::size_t>(contactLast + 1));
    for (int slot : {25, 45, 46, 64})
        if (pictures[slot]) h = mix(h, imageRow(pictures[slot], 0), 32 * 32 * 4);
    return h;
}

// A room with every kind of enemy in view, pickups, a key and its door,
// breakable blocks, a hostage and hazards; a fixed run of keys over it.
std::vector<std::uint64_t> playRoom(Drawing drawing) {
    const std::string folder = testTempFolder();
    setDataFolder(folder.c_str());  // both runs start from the same pictures: none from files
    freshGame();
    createPictures();
    seedRandom(3);
    writeMission(folder, 1, {"....................",
                             "..F.......N.....F...",
                             "....................",
                             "#.T.....dd.......S.#",
                             "#....k.......h.....#",
                             "#..W.d..Ph.cd.bb.l.#",
                             "#....ss.......ww...#",
                             "####################"});
    startMission();
    beginPlay();
    game.objectiveMet = 1;  // the objective's text box waits for a key: left out here
    std::vector<std::uint64_t> digests;
    std::uint32_t state = 12345;
    FrameInput input{};
    for (int frame = 0; frame < 1500; ++frame) {
        if (frame % 25 == 0) {
            state = state * 1103515245u + 12345u;
            const std::uint32_t bits = state >> 8;
            input.player = PlayerInput{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0,
                                       (bits & 8) != 0, (bits & 16) != 0, (bits & 96) != 0};
        }
        playFrame(input, drawing);
        digests.push_back(stateDigest());
    }
    digests.push_back(static_cast<std::uint64_t>(randomReal() * 1e15));  // the random sequence reached
    return digests;
}

}  // namespace

using Frame = GameTest;

TEST_F(Frame, WithoutDrawingEveryStateChangeAndRandomDrawIsTheSame) {
    const std::vector<std::uint64_t> drawn = playRoom(Drawing::on);
    const std::vector<std::uint64_t> hidden = playRoom(Drawing::off);
    ASSERT_EQ(drawn.size(), hidden.size());
    for (std::size_t f = 0; f < drawn.size(); ++f)
        ASSERT_EQ(drawn[f], hidden[f]) << "first difference after frame " << f + 1;
    // The run did something: the score moved and sparks or shots flew.
    EXPECT_GT(game.score, 0);
}
