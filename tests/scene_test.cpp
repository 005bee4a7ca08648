#include <cstring>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "shell/game.h"
#include "support/golden.h"
#include "support/map_builder.h"
#include "support/test_support.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

constexpr Colour black = 0xFF000000u;
constexpr Colour red = 0xFFFF0000u;
constexpr Colour green = 0xFF00FF00u;
constexpr Colour blue = 0xFF0000FFu;
constexpr Colour grey = 0xFF808080u;

// The colour of a screen pixel without its alpha byte, which transparent
// drawing does not keep.
Colour rgbAt(int x, int y) { return pixelAt(x, y) | 0xFF000000u; }

// A picture of one colour, made once per colour and height and kept for the run.
Image* plainPicture(Colour colour, int height = 32) {
    static std::map<std::pair<Colour, int>, Image*> made;
    Image*& image = made[{colour, height}];
    if (!image) image = createImage(32, height, colour);
    return image;
}

// A picture whose left half is the mask colour, made once per colour.
Image* halfMaskedPicture(Colour colour) {
    static std::map<Colour, Image*> made;
    Image*& image = made[colour];
    if (!image) {
        image = createImage(32, 32, colour);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 16; ++x) imageRow(image, y)[x] = maskColour;
    }
    return image;
}

// A clean game in mission 2 (no sky) with an empty map; the picture slots and
// the data folder are put back after each test.
class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        savedFolder_ = dataFolder();
        std::memcpy(saved_, pictures, sizeof saved_);
        for (auto& p : pictures) p = nullptr;
        freshGame();
        game.missionNumber = 2;
        mapWidth = mapHeight = gridSize;
        lockScreen();
    }
    void TearDown() override {
        unlockScreen();
        std::memcpy(pictures, saved_, sizeof saved_);
        setDataFolder(savedFolder_.c_str());
    }
    static void setCell(int x, int y, std::uint8_t tile, std::int8_t block = 0, std::uint8_t overlay = 0) {
        mapCell(x, y) = MapCell{tile, block, overlay};
    }
    static void expectContact(int i, int x, int y, int sx, int sy, int k) {
        SCOPED_TRACE(i);
        EXPECT_EQ(contacts[i].cellX, x);
        EXPECT_EQ(contacts[i].cellY, y);
        EXPECT_EQ(contacts[i].screenX, sx);
        EXPECT_EQ(contacts[i].screenY, sy);
        EXPECT_EQ(contacts[i].kind, k);
    }

private:
    Image* saved_[pictureSlots];
    std::string savedFolder_;
};

}  // namespace

TEST_F(Scene, CellsLandAtTheirScreenPositions) {
    pictures[18] = plainPicture(red);
    pictures[31] = plainPicture(grey);
    setCell(5, 3, 18);
    setCell(6, 4, 31, 1);
    setCell(15, 13, 18);
    view = View{5, 3, -6, 4, 0, 0};
    EXPECT_EQ(drawBackground(5, 3, -6, 4), 2);
    EXPECT_EQ(contactLast, 2);
    computeViewPosition();
    EXPECT_EQ(viewX, 166);
    EXPECT_EQ(viewY, 100);
    expectContact(0, 5, 3, -38, -36, kind::diamond);
    expectContact(1, 6, 4, -6, -4, kind::solid);
    expectContact(2, 15, 13, 282, 284, kind::diamond);
    // The player's corner cell, and the clipped block in the first drawing row.
    EXPECT_EQ(rgbAt(282, 284), red);
    EXPECT_EQ(rgbAt(313, 315), red);
    EXPECT_EQ(rgbAt(281, 284), black);
    EXPECT_EQ(rgbAt(314, 316), black);
    EXPECT_EQ(rgbAt(0, 0), grey);
    EXPECT_EQ(rgbAt(25, 27), grey);
    EXPECT_EQ(rgbAt(26, 28), black);

    // With both offsets 0 the first cell lies wholly off screen.
    EXPECT_EQ(drawBackground(14, 12, 0, 0), 0);
    expectContact(0, 15, 13, 0, 0, kind::diamond);
    EXPECT_EQ(drawBackground(15, 13, 0, 0), 0);
    expectContact(0, 15, 13, -32, -32, kind::diamond);
}

TEST_F(Scene, ContactKindsInDrawingOrderAndDoorsOpenedByKeys) {
    const std::uint8_t tiles[] = {18, 19, 25, 45, 46, 60, 61, 70, 64, 65, 40, 41, 42, 44};
    for (int j = 0; j < 14; ++j) setCell(1 + j, 1, tiles[j]);
    for (int j = 0; j < 10; ++j) setCell(1 + j, 2, static_cast<std::uint8_t>(30 + j), 1);
    pictures[64] = plainPicture(blue);
    const int kinds[] = {8, 6, 7, 7, 5, 10, 11, 70, 9, 9};
    ASSERT_EQ(drawBackground(0, 0, 0, 0), 19);
    for (int j = 0; j < 10; ++j) expectContact(j, 1 + j, 1, 32 * j, 0, kinds[j]);
    for (int j = 0; j < 10; ++j) expectContact(10 + j, 1 + j, 2, 32 * j, 32, kind::solid);

    // Key A held: door A is still drawn but no longer a contact; door B stays.
    game.keysHeld[0] = 1;
    ASSERT_EQ(drawBackground(0, 0, 0, 0), 18);
    expectContact(7, 8, 1, 224, 0, kind::hostage);
    expectContact(8, 10, 1, 288, 0, kind::solid);
    EXPECT_EQ(rgbAt(256, 0), blue);
    game.keysHeld[1] = 1;
    EXPECT_EQ(drawBackground(0, 0, 0, 0), 17);
}

TEST_F(Scene, OpaqueAndTransparentTilesAndTallPictures) {
    pictures[31] = halfMaskedPicture(grey);  // opaque: the mask colour is copied
    pictures[30] = halfMaskedPicture(grey);  // transparent: the mask colour is skipped
    pictures[70] = plainPicture(green, 64);
    pictures[38] = plainPicture(red, 64);
    setCell(1, 1, 31, 1);
    setCell(2, 1, 30, 1);
    setCell(3, 1, 70);  // above an empty cell: shows whole
    setCell(4, 1, 38, -3);
    setCell(4, 2, 30, 1);  // covers the generator's lower half, except where masked
    drawBackground(0, 0, 0, 0);
    EXPECT_EQ(rgbAt(0, 5), maskColour);
    EXPECT_EQ(rgbAt(20, 5), grey);
    EXPECT_EQ(rgbAt(32, 5), black);
    EXPECT_EQ(rgbAt(52, 5), grey);
    EXPECT_EQ(rgbAt(64, 63), green);
    EXPECT_EQ(rgbAt(64, 64), black);
    EXPECT_EQ(rgbAt(96, 40), red);
    EXPECT_EQ(rgbAt(116, 40), grey);

    // A slot without a picture draws nothing but still gives its contact.
    setCell(6, 1, 18);
    EXPECT_EQ(drawBackground(0, 0, 0, 0), 5);
    expectContact(2, 3, 1, 64, 0, kind::hostage);
    expectContact(3, 4, 1, 96, 0, kind::solid);  // generators are solid like walls
    expectContact(4, 6, 1, 160, 0, kind::diamond);
    EXPECT_EQ(rgbAt(170, 10), black);
}

TEST_F(Scene, ViewBeyondTheGridDrawsNothingThere) {
    pictures[18] = plainPicture(red);
    setCell(0, 0, 18);
    setCell(200, 200, 18);
    setCell(0, 200, 18);
    // The view reaches past every edge in turn; cells outside the grid are empty.
    EXPECT_EQ(drawBackground(-21, -16, 31, -31), 0);
    expectContact(0, 0, 0, 31 - 32 + 32 * 21, 31 - 32 + 32 * 16, kind::diamond);
    EXPECT_EQ(drawBackground(200, 200, -31, 31), 0);
    expectContact(0, 200, 200, -63, -63, kind::diamond);
    EXPECT_EQ(drawBackground(-5, 195, 0, 0), 0);
    expectContact(0, 0, 200, 5 * 32 - 32, 5 * 32 - 32, kind::diamond);
    EXPECT_EQ(drawBackground(1000, -1000, 0, 0), -1);
    drawOverlay(-21, -16, 31, -31);
    drawOverlay(200, 200, -31, 31);
}

TEST_F(Scene, AFullScreenOfContactsIsKeptWhole) {
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 22; ++x) setCell(10 + x, 20 + y, 18);
    EXPECT_EQ(drawBackground(10, 20, 5, -5), contactCapacity - 1);
    expectContact(contactCapacity - 1, 31, 36, 5 - 32 + 32 * 21, 5 - 32 + 32 * 16, kind::diamond);
}

TEST_F(Scene, SkyBandsOfTheFirstMission) {
    game.missionNumber = 1;
    drawBackground(0, 0, 0, 0);
    // Band i covers map row i from y = 32 i - 32; row 10's value is 175.
    EXPECT_EQ(rgbAt(0, 300), 0xFFAF0000u);
    EXPECT_EQ(rgbAt(639, 300), 0xFFAF0000u);
    EXPECT_EQ(rgbAt(0, 288), 0xFFAF0000u);  // the first line of band 10 ...
    EXPECT_EQ(rgbAt(0, 320), 0xFFA70000u);  // ... and the last, covered by band 11
    EXPECT_EQ(rgbAt(0, 0), 0xFFF70000u);
    game.objectiveMet = 1;
    drawBackground(0, 0, 0, 0);
    EXPECT_EQ(rgbAt(0, 300), 0xFF0000AFu);

    // Below map row 22 the background stays black; the darkest band is 79.
    drawBackground(0, 10, 0, 4);
    EXPECT_EQ(rgbAt(0, 32 * 12 - 4 - 32 + 10), 0xFF00004Fu);
    EXPECT_EQ(rgbAt(0, 32 * 13 - 4 - 32 + 10), black);

    // Rows above the map are as bright as row 0.
    drawBackground(0, -3, 0, 0);
    EXPECT_EQ(rgbAt(0, 10), 0xFF0000FFu);
    EXPECT_EQ(rgbAt(0, 32 * 2 + 10), 0xFF0000FFu);  // map row 0
    EXPECT_EQ(rgbAt(0, 32 * 3 + 10), 0xFF0000F7u);  // map row 1
    drawBackground(0, -2000000000, 0, 0);
    EXPECT_EQ(rgbAt(0, 479), 0xFF0000FFu);

    // The second mission has no sky.
    game.missionNumber = 2;
    drawBackground(0, 0, 0, 0);
    EXPECT_EQ(rgbAt(0, 300), black);
}

TEST_F(Scene, OverlayFollowsTheMovedView) {
    pictures[42] = plainPicture(grey);
    pictures[43] = halfMaskedPicture(green);
    setCell(10, 10, 42, 0, 43);
    drawBackground(0, 0, 0, 0);
    EXPECT_EQ(rgbAt(288, 288), grey);
    // The player stepped right by 2 pixels after the background was drawn.
    view = View{0, 0, -2, 0, 0, 0};
    drawOverlay(view.cellX, view.cellY, view.offsetX, view.offsetY);
    EXPECT_EQ(rgbAt(286 + 15, 288), grey);  // masked half: the tile shows through
    EXPECT_EQ(rgbAt(286 + 16, 288), green);
    EXPECT_EQ(rgbAt(286 + 31, 319), green);
    EXPECT_EQ(rgbAt(286 + 32, 319), grey);  // the tile's last 2 columns
    EXPECT_EQ(rgbAt(286 + 34, 319), black);
    EXPECT_EQ(contactLast, -1);  // the overlay builds no list
}

TEST(View, NormalizeKeepsTheOffsetsWithinACell) {
    view = View{5, 7, -32, 32, 1, 2};
    viewX = 123;
    normalizeView();
    EXPECT_EQ(view.cellX, 6);
    EXPECT_EQ(view.offsetX, 0);
    EXPECT_EQ(view.cellY, 8);
    EXPECT_EQ(view.offsetY, 0);
    EXPECT_EQ(view.startCellX, 1);
    EXPECT_EQ(viewX, 123);

    view = View{5, 7, 33, -33, 0, 0};
    normalizeView();
    EXPECT_EQ(view.cellX, 4);
    EXPECT_EQ(view.offsetX, 1);
    EXPECT_EQ(view.cellY, 6);
    EXPECT_EQ(view.offsetY, -1);

    view = View{5, 7, 31, -31, 0, 0};
    normalizeView();
    EXPECT_EQ(view.cellX, 5);
    EXPECT_EQ(view.cellY, 7);
    // Walking right from -30: the step to -32 becomes the next cell at once.
    view.offsetX = -30 - 2;
    normalizeView();
    EXPECT_EQ(view.cellX, 6);
    EXPECT_EQ(view.offsetX, 0);
}

namespace {

// The test's own tile pictures, loaded into their slots.
void loadWorldPictures() {
    const std::pair<int, const char*> files[] = {
        {31, "block.bmp"}, {44, "block.bmp"},  {30, "grass.bmp"},  {18, "diamond.bmp"},
        {42, "plant1.bmp"}, {43, "plant2.bmp"}, {64, "lock1.bmp"},  {70, "hostage1.bmp"},
        {38, "gen1.bmp"},  {25, "spikes.bmp"}, {37, "hbarrier2.bmp"},
    };
    static std::map<int, Image*> made;
    for (const auto& [slot, name] : files) {
        Image*& image = made[slot];
        if (!image) image = createImage(32, slot == 70 || slot == 38 ? 64 : 32, fillColour);
        loadPicture((std::string(BRASTOR_TEST_DATA) + "/world/" + name).c_str(), image);
        pictures[slot] = image;
    }
}

const std::vector<std::string> goldenMap = {
    "..........................",
    "..........................",
    "........d.d.d.............",
    "......gggggggg....G.......",
    "...p..............#.......",
    "......h.....P.....#..l..p.",
    "##ggggggg.gggggggg#ggggggg",
    "##########sss#####B#######",
    "##########################",
};

}  // namespace

TEST_F(Scene, GoldenScenesOfBothMissions) {
    loadWorldPictures();
    const std::string folder = testTempFolder();
    setDataFolder(folder.c_str());
    writeMission(folder, 1, goldenMap);
    writeMission(folder, 2, goldenMap);
    for (int mission = 1; mission <= 2; ++mission) {
        game.missionNumber = mission;
        loadLevelMap(mission);
        // The player's cell, shifted a little so tiles are clipped on every side.
        drawBackground(view.cellX, view.cellY, -7, 5);
        drawOverlay(view.cellX, view.cellY, -7, 5);
        expectFrameMatchesGolden(mission == 1 ? "world_scene_mission1" : "world_scene_mission2");
    }
}
