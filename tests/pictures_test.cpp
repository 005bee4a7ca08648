#include <cstdint>

#include <gtest/gtest.h>

#include "support/golden.h"
#include "support/test_support.h"
#include "world/pictures.h"

namespace {

std::uint32_t px(int slot, int x, int y) { return imageRow(pictures[slot], y)[x]; }

// Every pixel distinct, so any misplaced move shows.
void paintDistinct(int slot) {
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) imageRow(pictures[slot], y)[x] = 0xFF000000u | (y << 8) | x;
}

bool allFill(int slot, int fromX, int fromY) {
    const Image* image = pictures[slot];
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            if ((x >= fromX || y >= fromY) && imageRow(image, y)[x] != fillColour) return false;
    return true;
}

class Pictures : public GameDataTest {
protected:
    void SetUp() override {
        GameDataTest::SetUp();
        freshGame();
    }
};

TEST_F(Pictures, EverySlotHasItsSizeAndTheLightGreenFillWhenNoFileExists) {
    useData("no-such-folder");
    createPictures();
    struct Range {
        int first, last, width, height;
    };
    const Range created[] = {{0, 0, 8, 8},     {1, 15, 52, 64},  {16, 17, 16, 16}, {18, 37, 32, 32},
                             {38, 39, 32, 64}, {40, 69, 32, 32}, {70, 79, 32, 64}, {80, 80, 8, 8},
                             {90, 95, 16, 16}};
    int count = 0;
    for (const Range& r : created)
        for (int slot = r.first; slot <= r.last; ++slot, ++count) {
            ASSERT_NE(pictures[slot], nullptr) << slot;
            EXPECT_EQ(pictures[slot]->width, r.width) << slot;
            EXPECT_EQ(pictures[slot]->height, r.height) << slot;
            EXPECT_TRUE(allFill(slot, 0, 0)) << slot;
        }
    EXPECT_EQ(count, 87);
    for (int slot = 81; slot <= 89; ++slot) EXPECT_EQ(pictures[slot], nullptr) << slot;
    for (int slot = 96; slot <= 100; ++slot) EXPECT_EQ(pictures[slot], nullptr) << slot;
    EXPECT_STREQ(game.levelFolder, "level1\\");
}

TEST_F(Pictures, RollsMoveOnePixelAndThirtyTwoRollsRestoreThePicture) {
    useData("no-such-folder");
    createPictures();
    paintDistinct(25);
    paintDistinct(45);
    paintDistinct(46);

    animatePictures();
    for (int y = 0; y < 32; ++y) {
        EXPECT_EQ(px(25, 0, y), 0xFF000001u | (y << 8));
        EXPECT_EQ(px(25, 31, y), 0xFF000000u | (y << 8));
        EXPECT_EQ(px(45, 3, y), 0xFF000003u | (((y + 1) % 32) << 8));
        EXPECT_EQ(px(46, 3, y), 0xFF000003u | (((y + 1) % 32) << 8));
    }
    for (int i = 1; i < 32; ++i) animatePictures();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(px(25, x, y), 0xFF000000u | (y << 8) | x);
            ASSERT_EQ(px(45, x, y), 0xFF000000u | (y << 8) | x);
        }
}

TEST_F(Pictures, EditsLeaveOtherSizesEmptySlotsAndBadNumbersAlone) {
    useData("no-such-folder");
    createPictures();
    for (int slot : {0, 1, 38, 70, 90, 85, 100, -1, 101, 5000}) {
        rollPictureLeft(slot);
        rollPictureUp(slot);
        darkenPicture(slot);
    }
    for (int slot : {0, 1, 38, 70, 90}) EXPECT_TRUE(allFill(slot, 0, 0)) << slot;
    EXPECT_EQ(pictures[85], nullptr);
}

TEST_F(Pictures, DarkeningTwiceKeepsASixteenthAndLeavesMagentaAlone) {
    useData("no-such-folder");
    createPictures();
    imageRow(pictures[64], 0)[0] = 0xFFC08040u;
    imageRow(pictures[64], 0)[1] = maskColour;
    imageRow(pictures[64], 0)[2] = 0x00FF00FFu;  // magenta without alpha is not the mask colour
    darkenPicture(64);
    EXPECT_EQ(px(64, 0, 0), 0x3F302010u);
    EXPECT_EQ(px(64, 1, 0), maskColour);
    EXPECT_EQ(px(64, 2, 0), 0x003F003Fu);
    EXPECT_EQ(px(64, 5, 5), 0x3F193F19u);
    darkenPicture(64);
    EXPECT_EQ(px(64, 0, 0), 0x0F0C0804u);
    EXPECT_EQ(px(64, 1, 0), maskColour);
    EXPECT_EQ(px(65, 0, 0), fillColour);
}

TEST_F(Pictures, FilesLargerOrSmallerThanTheSlotAndMissingFiles) {
    useData("shell");
    createPictures();
    // 16 x 16 diamond into the 32 x 32 slot 18: its right and bottom stay light green.
    EXPECT_EQ(px(18, 0, 0), maskColour);
    EXPECT_EQ(px(18, 8, 8), 0xFFFF2828u);
    EXPECT_TRUE(allFill(18, 16, 16));
    EXPECT_EQ(px(46, 0, 3), 0xFF18E7C8u);  // transporter loaded at start-up
    EXPECT_EQ(px(31, 0, 0), 0xFF6E6E7Du);  // title tiles from level1
    EXPECT_TRUE(allFill(20, 0, 0));        // per-mission slots wait for their mission

    loadMissionPictures("level1\\");
    // 40 x 40 spikes: the slot shows the file's top-left 32 x 32 pixels.
    EXPECT_EQ(px(25, 31, 31), 0xFFBABA80u);
    EXPECT_EQ(px(25, 5, 7), 0xFF1E2A80u);
    const std::uint32_t level1Grass = px(30, 20, 20);
    EXPECT_NE(level1Grass, fillColour);

    loadMissionPictures("level2\\");
    EXPECT_EQ(px(30, 0, 0), 0xFF1414DCu);     // level2's 16 x 16 grass at the top left...
    EXPECT_EQ(px(30, 20, 20), level1Grass);   // ...and level1's pixels beyond it
    EXPECT_EQ(px(31, 0, 0), 0xFF6E6E7Du);     // no block in level2: level1's stays
    EXPECT_EQ(px(25, 31, 31), 0xFFBABA80u);   // nor spikes
    EXPECT_TRUE(allFill(20, 0, 0));           // never a file: still the fill
}

}  // namespace
