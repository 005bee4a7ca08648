#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "play/player.h"
#include "shell/hud.h"
#include "support/golden.h"
#include "support/test_support.h"
#include "world/pictures.h"

namespace {

constexpr std::uint32_t grey = 0xFF808080u;
constexpr std::uint32_t halfGrey = 0x7F404040u;
constexpr std::uint32_t cellRed = 0xFFE02020u;
constexpr std::uint32_t outline = 0xFF5A5A5Au;
constexpr std::uint32_t keyA = 0xFFFFDC00u;
constexpr std::uint32_t keyB = 0xFF00DCFFu;

void paint(int slot, std::uint32_t colour) {
    Image* image = pictures[slot];
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) imageRow(image, y)[x] = colour;
}

class Hud : public GameDataTest {
protected:
    void SetUp() override {
        GameDataTest::SetUp();
        freshGame();
        useData("no-such-folder");
        createPictures();
        paint(91, cellRed);
        paint(90, maskColour);  // an outlined cell: only its border is drawn
        for (int i = 0; i < 16; ++i) imageRow(pictures[90], 0)[i] = outline;
        paint(60, keyA);
        paint(61, keyB);
        for (int y = 0; y < 32; ++y) imageRow(pictures[61], y)[0] = maskColour;
        setColours(std::nullopt, grey);
        clearScreen();
    }
};

TEST_F(Hud, PowerZeroShowsOneOpaqueCellAndFourMaskedOnes) {
    player.power = 0;
    drawHud();
    EXPECT_EQ(pixelAt(400, 4), cellRed);
    EXPECT_EQ(pixelAt(415, 19), cellRed);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(pixelAt(400 + 20 * k, 4), outline & 0x00FFFFFFu) << k;  // transparent draws drop alpha
        EXPECT_EQ(pixelAt(405 + 20 * k, 10), halfGrey) << k;
    }

    player.power = 4;
    clearScreen();
    drawHud();
    for (int k = 0; k <= 4; ++k) EXPECT_EQ(pixelAt(405 + 20 * k, 10), cellRed) << k;
}

TEST_F(Hud, KeyIconsOverlapWithKeyBOnTopAndReachBelowTheStrip) {
    player.power = 4;
    drawHud();
    for (int x = 500; x < 600; ++x) ASSERT_EQ(pixelAt(x, 10), halfGrey) << x;  // no key held

    clearScreen();
    game.keysHeld[0] = 1;
    game.keysHeld[1] = 1;
    game.keysHeld[4] = 1;  // never looked at
    drawHud();
    EXPECT_EQ(pixelAt(500, 0), keyA & 0x00FFFFFFu);
    EXPECT_EQ(pixelAt(519, 10), keyA & 0x00FFFFFFu);
    EXPECT_EQ(pixelAt(520, 10), keyA & 0x00FFFFFFu);  // through key B's transparent column
    EXPECT_EQ(pixelAt(521, 10), keyB & 0x00FFFFFFu);
    EXPECT_EQ(pixelAt(551, 27), keyB & 0x00FFFFFFu);  // icons end on row 27
    EXPECT_EQ(pixelAt(551, 28), grey);
    EXPECT_EQ(pixelAt(552, 10), halfGrey);
    EXPECT_EQ(pixelAt(300, 23), halfGrey);  // strip: rows 0 to 23 only
    EXPECT_EQ(pixelAt(300, 24), grey);
}

TEST_F(Hud, NumbersAreDrawnLikePlainTextIncludingNegativeOnes) {
    game.score = -1234;
    player.diamonds = 70;
    player.power = 4;
    drawHud();
    std::vector<std::uint32_t> hud(framePixels(), framePixels() + 40 * screenWidth);

    clearScreen();
    darkenHudStrip();
    setColours(0xFFFFFF00u);
    drawText(10, 4, "SCORE:");
    drawText(60, 4, "-1234");
    drawImage(200, 4, pictures[92], DrawMode::transparent);
    drawText(220, 4, "70");
    drawText(320, 4, "POWER:");
    for (int k = 0; k <= 4; ++k) drawImage(400 + 20 * k, 4, pictures[91], DrawMode::opaque);
    EXPECT_TRUE(std::equal(hud.begin(), hud.end(), framePixels()));
}

TEST_F(Hud, MessageIsUpperCasedInPlaceAndCentredOverItsShadow) {
    char text[64] = "Hostage Rescued! 2 more to find!";
    drawMessage(text, 40);
    EXPECT_STREQ(text, "HOSTAGE RESCUED! 2 MORE TO FIND!");
    std::vector<std::uint32_t> drawn(framePixels(), framePixels() + screenWidth * screenHeight);

    clearScreen();
    setColours(0xFF000000u);
    drawText(193, 41, text);  // (640 - 8 * 32) / 2 = 192
    setColours(0xFFFFFF09u);
    drawText(192, 40, text);
    EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), framePixels()));
    bool shadow = false;
    for (std::uint32_t p : drawn) shadow = shadow || p == 0xFF000000u;
    EXPECT_TRUE(shadow);

    drawMessage(text, 40);  // already upper case: unchanged
    EXPECT_STREQ(text, "HOSTAGE RESCUED! 2 MORE TO FIND!");
}

}  // namespace
