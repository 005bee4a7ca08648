// The tests draw their maps with a legend of their own; it must mean what the
// game's catalogue means, letter for letter, or every scenario would test a
// different map than it says.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "world/catalogue.h"

TEST(Catalogue, TestLegendAgreesWithTheGame) {
    for (const auto& [letter, rgb] : testMapLegend()) {
        const MapColour* c = findMapColour(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
        if (letter == emptyLetter) {
            EXPECT_EQ(c, nullptr) << "white must be empty";
            continue;
        }
        ASSERT_NE(c, nullptr) << "'" << letter << "' is no map colour";
        EXPECT_EQ(c->letter, letter) << c->name;
    }
    // Letters and colours are each used once, so a map source reads one way only.
    for (const MapColour& a : mapColours)
        for (const MapColour& b : mapColours) {
            if (&a == &b) continue;
            EXPECT_NE(a.letter, b.letter) << a.name << " and " << b.name;
            EXPECT_FALSE(a.r == b.r && a.g == b.g && a.b == b.b) << a.name << " and " << b.name;
        }
}
