// The frame buffer and drawing operations: exact pixels, clipping, rounding,
// the screen lock, and the fast row paths against a plain per-pixel model.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

std::uint32_t* fb() { return framePixels(); }

void fillScreen(std::uint32_t value) {
    for (int i = 0; i < screenWidth * screenHeight; ++i) fb()[i] = value;
}

std::vector<std::uint32_t> snapshot() {
    return std::vector<std::uint32_t>(fb(), fb() + screenWidth * screenHeight);
}

// Pixels that differ from `before`, as a bounding box; false when none do.
bool changedBox(const std::vector<std::uint32_t>& before, int& x0, int& y0, int& x1, int& y1) {
    bool any = false;
    x0 = y0 = 1 << 30;
    x1 = y1 = -1;
    for (int y = 0; y < screenHeight; ++y)
        for (int x = 0; x < screenWidth; ++x)
            if (pixelAt(x, y) != before[y * screenWidth + x]) {
                any = true;
                x0 = std::min(x0, x), y0 = std::min(y0, y);
                x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    return any;
}

// The plain transcription of a single image draw, pixel by pixel.
void referenceDraw(std::vector<std::uint32_t>& screen, double x, double y, const Image* image,
                   DrawMode mode, int opacity) {
    if (mode == DrawMode::blend && opacity == 0) return;
    int px = roundPosition(x), py = roundPosition(y);
    for (int j = 0; j < image->height; ++j)
        for (int i = 0; i < image->width; ++i) {
            int sx = px + i, sy = py + j;
            if (sx < 0 || sx >= screenWidth || sy < 0 || sy >= screenHeight) continue;
            std::uint32_t s = imageRow(image, j)[i];
            std::uint32_t& d = screen[sy * screenWidth + sx];
            if (mode == DrawMode::opaque) {
                d = s;
            } else if ((s & 0xFFFFFF) == 0xFF00FF) {
                continue;
            } else if (mode == DrawMode::transparent) {
                d = s & 0xFFFFFF;
            } else {
                std::uint32_t out = d & 0xFF000000u;
                for (int c = 0; c < 3; ++c) {
                    int sb = (s >> (8 * c)) & 0xFF, db = (d >> (8 * c)) & 0xFF;
                    int diff = (sb - db) * (opacity + 1);
                    int q = diff >= 0 ? diff / 256 : -((-diff + 255) / 256);  // floor
                    out |= std::uint32_t(db + q) << (8 * c);
                }
                d = out;
            }
        }
}

class Video : public ::testing::Test {
protected:
    void SetUp() override { freshGame(); }
};

}  // namespace

TEST_F(Video, FrameBufferAndImageLayout) {
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(framePixels()) % 64, 0u);
    ScreenSize size = screenSize();
    EXPECT_EQ(size.width, 640);
    EXPECT_EQ(size.height, 480);
    EXPECT_EQ(size.depth, 32);

    Image* image = createImage(5, 3, fillColour);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image) % 64, 0u);
    EXPECT_EQ(image->typeTag, 7);
    EXPECT_EQ(image->bytesPerPixel, 4);
    EXPECT_EQ(image->width, 5);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(image->pitch, 32);
    EXPECT_EQ(image->reserved[0] | image->reserved[1] | image->reserved[2], 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(imageRow(image, y)[x], fillColour);  // padding too

    EXPECT_EQ(createImage(32, 32, 0)->pitch, 128);
    EXPECT_EQ(createImage(4096, 1, 0)->pitch, 16384);
    EXPECT_EQ(createImage(0, 5, 0), nullptr);
    EXPECT_EQ(createImage(5, 0, 0), nullptr);
    EXPECT_EQ(createImage(-3, 5, 0), nullptr);
    EXPECT_EQ(createImage(4097, 1, 0), nullptr);
    EXPECT_EQ(createImage(1, 4097, 0), nullptr);
}

TEST_F(Video, RoundingHalvesAwayFromZero) {
    EXPECT_EQ(roundPosition(287.5), 288);
    EXPECT_EQ(roundPosition(-0.5), -1);
    EXPECT_EQ(roundPosition(-0.4), 0);
    EXPECT_EQ(roundPosition(0.49), 0);
    EXPECT_EQ(roundPosition(-7.0), -7);
    EXPECT_EQ(roundPosition(12.0), 12);
    // Absurd positions must not overflow anything downstream.
    EXPECT_GT(roundPosition(1e300), 1 << 20);
    EXPECT_LT(roundPosition(-1e300), -(1 << 20));
    EXPECT_EQ(roundPosition(std::nan("")), 0);

    Image* dot = createImage(1, 1, 0xFF112233u);
    fillScreen(0);
    drawImage(287.5, 10.0, dot, DrawMode::opaque);
    EXPECT_EQ(pixelAt(288, 10), 0xFF112233u);
    EXPECT_EQ(pixelAt(287, 10), 0u);
    Image* two = createImage(2, 1, 0xFF445566u);
    drawImage(-0.5, 20.0, two, DrawMode::opaque);  // lands at -1: only its second pixel shows
    EXPECT_EQ(pixelAt(0, 20), 0xFF445566u);
    EXPECT_EQ(pixelAt(1, 20), 0u);
}

TEST_F(Video, DrawImageClipsOnEveryEdge) {
    Image* image = createImage(10, 6, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) imageRow(image, y)[x] = 0xFF000000u | (y << 8) | x;
    struct Case {
        int x, y;
    } cases[] = {{-4, 100}, {636, 100}, {100, -3}, {100, 477}, {-9, -5}, {639, 479}, {-10, 0},
                 {640, 0},  {0, -6},    {0, 480},  {-1000000, 5}, {5, 1000000}};
    for (auto c : cases) {
        fillScreen(0x12345678u);
        auto before = snapshot();
        drawImage(c.x, c.y, image, DrawMode::opaque);
        for (int y = 0; y < screenHeight; ++y)
            for (int x = 0; x < screenWidth; ++x) {
                int i = x - c.x, j = y - c.y;
                bool inside = i >= 0 && i < 10 && j >= 0 && j < 6;
                std::uint32_t want = inside ? (0xFF000000u | (j << 8) | i) : 0x12345678u;
                ASSERT_EQ(pixelAt(x, y), want) << "draw at " << c.x << "," << c.y << " pixel " << x
                                               << "," << y;
            }
    }
}

TEST_F(Video, TransparentAndBlendPixels) {
    Image* image = createImage(4, 1, 0);
    std::uint32_t* src = imageRow(image, 0);
    src[0] = 0xFFFF00FFu;  // mask
    src[1] = 0x00FF00FFu;  // mask whatever the alpha
    src[2] = 0xFF10FF20u;
    src[3] = 0x80000000u;  // black with some alpha

    fillScreen(0xAABBCCDDu);
    drawImage(0, 0, image, DrawMode::transparent);
    EXPECT_EQ(pixelAt(0, 0), 0xAABBCCDDu);
    EXPECT_EQ(pixelAt(1, 0), 0xAABBCCDDu);
    EXPECT_EQ(pixelAt(2, 0), 0x0010FF20u);  // alpha cleared
    EXPECT_EQ(pixelAt(3, 0), 0x00000000u);

    Image* magenta = createImage(37, 9, maskColour);
    fillScreen(0x01020304u);
    auto before = snapshot();
    drawImage(3, 3, magenta, DrawMode::transparent);
    drawImage(3, 3, magenta, DrawMode::blend, 200);
    EXPECT_EQ(snapshot(), before);

    Image* white = createImage(3, 1, 0xFFFFFFFFu);
    Image* black = createImage(3, 1, 0xFF000000u);
    imageRow(white, 0)[1] = 0xFF804020u;
    // Opacity 0 draws nothing; 255 copies the colour exactly.
    fillScreen(0xFF000000u);
    before = snapshot();
    drawImage(0, 0, white, DrawMode::blend, 0);
    EXPECT_EQ(snapshot(), before);
    drawImage(0, 0, white, DrawMode::blend, 255);
    EXPECT_EQ(pixelAt(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(pixelAt(1, 0) & 0xFFFFFF, 0x804020u);
    // 127 over black turns 255 into 127; over white turns 0 into 127.
    fillScreen(0xFF000000u);
    drawImage(0, 0, white, DrawMode::blend, 127);
    EXPECT_EQ(pixelAt(0, 0) & 0xFFFFFF, 0x7F7F7Fu);
    EXPECT_EQ(pixelAt(1, 0) & 0xFFFFFF, 0x402010u);
    fillScreen(0xFFFFFFFFu);
    drawImage(0, 0, black, DrawMode::blend, 127);
    EXPECT_EQ(pixelAt(0, 0) & 0xFFFFFF, 0x7F7F7Fu);
    // Over white, a darker source with a small opacity: floor toward minus infinity.
    fillScreen(0xFFFFFFFFu);
    drawImage(0, 0, black, DrawMode::blend, 1);  // 255 + floor(-255 * 2 / 256) = 253
    EXPECT_EQ(pixelAt(0, 0) & 0xFFFFFF, 0xFDFDFDu);

    // Pictures of another pixel size, and no picture at all, draw nothing.
    Image* odd = createImage(2, 2, 0xFF00FF00u);
    odd->bytesPerPixel = 3;
    fillScreen(0);
    before = snapshot();
    drawImage(0, 0, odd, DrawMode::opaque);
    drawImage(0, 0, nullptr, DrawMode::opaque);
    EXPECT_EQ(snapshot(), before);
}

// The fast row paths must give exactly what the per-pixel model gives, for
// every position, size, mode and opacity, including the tails that do not
// fill a whole vector and images hanging off any edge.
TEST_F(Video, FastPathsMatchPerPixelModel) {
    std::mt19937 rng(1234);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<Image*> images;
    for (int k = 0; k < 24; ++k) {
        Image* image = createImage(uniform(1, 70), uniform(1, 40), 0);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                imageRow(image, y)[x] = uniform(0, 3) == 0
                                            ? (std::uint32_t(uniform(0, 255)) << 24) | 0xFF00FFu
                                            : std::uint32_t(rng());
        images.push_back(image);
    }
    for (int i = 0; i < screenWidth * screenHeight; ++i) fb()[i] = std::uint32_t(rng());
    std::vector<std::uint32_t> model = snapshot();
    for (int draw = 0; draw < 3000; ++draw) {
        const Image* image = images[uniform(0, int(images.size()) - 1)];
        double x = uniform(-80, 660) + uniform(0, 3) * 0.25 - 0.5;
        double y = uniform(-50, 500) + uniform(0, 3) * 0.25 - 0.5;
        DrawMode mode = static_cast<DrawMode>(uniform(0, 2));
        int opacity = uniform(0, 8) == 0 ? uniform(0, 1) * 255 : uniform(0, 255);
        drawImage(x, y, image, mode, opacity);
        referenceDraw(model, x, y, image, mode, opacity);
    }
    ASSERT_TRUE(std::memcmp(model.data(), fb(), model.size() * 4) == 0);
}

TEST_F(Video, TextUsesTheFontAndForeground) {
    fillScreen(0);
    auto before = snapshot();
    drawText(10, 20, " ");
    EXPECT_EQ(snapshot(), before);
    drawText(10, 20, "AB");
    int x0, y0, x1, y1;
    ASSERT_TRUE(changedBox(before, x0, y0, x1, y1));
    EXPECT_GE(x0, 10);
    EXPECT_LE(x1, 25);
    EXPECT_GE(y0, 20);
    EXPECT_LE(y1, 35);
    // The VGA 'A': a peak in row 2, bar across row 7, open bottom from row 12.
    const char* shape[] = {"........", "........", "...#....", "..###...", ".##.##..", "##...##.",
                           "##...##.", "#######.", "##...##.", "##...##.", "##...##.", "##...##.",
                           "........", "........", "........", "........"};
    for (int r = 0; r < 16; ++r)
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(pixelAt(10 + i, 20 + r), shape[r][i] == '#' ? 0xFFFFFFFFu : 0u)
                << "row " << r << " column " << i;

    // Foreground with all four bytes; other colours left alone; clipped text.
    setColours(0x12345678u, std::nullopt);
    fillScreen(0xFF000000u);
    drawText(-4, -8, "\xDB\xDB");  // full blocks, partly off the top-left
    drawText(636, 474, "\xDB");
    EXPECT_EQ(pixelAt(0, 0), 0x12345678u);
    EXPECT_EQ(pixelAt(11, 7), 0x12345678u);
    EXPECT_EQ(pixelAt(12, 0), 0xFF000000u);
    EXPECT_EQ(pixelAt(639, 479), 0x12345678u);
    EXPECT_EQ(pixelAt(635, 479), 0xFF000000u);
}

TEST_F(Video, LinesBoxesAndClearing) {
    setColours(0xFF0000FFu, 0xFF202020u);
    clearScreen();
    for (int i = 0; i < screenWidth * screenHeight; ++i) ASSERT_EQ(fb()[i], 0xFF202020u);

    fillBox(0, -10, 639, 22);
    for (int y = 0; y < screenHeight; ++y)
        for (int x = 0; x < screenWidth; ++x)
            ASSERT_EQ(pixelAt(x, y), y <= 22 ? 0xFF0000FFu : 0xFF202020u);

    clearScreen();
    drawLine(630, 100, 700, 100);  // end points included, clipped at the right
    EXPECT_EQ(pixelAt(629, 100), 0xFF202020u);
    EXPECT_EQ(pixelAt(630, 100), 0xFF0000FFu);
    EXPECT_EQ(pixelAt(639, 100), 0xFF0000FFu);
    drawLine(5, 200, 2, 200);  // right to left
    for (int x = 1; x <= 6; ++x) EXPECT_EQ(pixelAt(x, 200), x >= 2 && x <= 5 ? 0xFF0000FFu : 0xFF202020u);

    clearScreen();
    drawLine(0, 0, 9, 3);  // a sloped line: one pixel per column
    int count = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) count += pixelAt(x, y) == 0xFF0000FFu;
    EXPECT_EQ(count, 10);
    EXPECT_EQ(pixelAt(0, 0), 0xFF0000FFu);
    EXPECT_EQ(pixelAt(9, 3), 0xFF0000FFu);
    // Far-off end points clip safely and quickly.
    drawLine(-1e9, -1e9, 1e9, 1e9);
    drawLine(-3e9, 5, 3e9, 7);
    EXPECT_EQ(pixelAt(300, 300), 0xFF0000FFu);

    clearScreen();
    drawBox(12, 8, 3, 2);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 15; ++x) {
            bool inside = x >= 3 && x <= 12 && y >= 2 && y <= 8;
            bool edge = inside && (x == 3 || x == 12 || y == 2 || y == 8);
            EXPECT_EQ(pixelAt(x, y), edge ? 0xFF0000FFu : 0xFF202020u) << x << "," << y;
        }
    auto before = snapshot();
    fillBox(-50, -50, -1, 900);  // entirely off the screen
    drawBox(700, 10, 800, 20);
    EXPECT_EQ(snapshot(), before);

    // setScreenMode restores white on black.
    setScreenMode(640, 480, 32);
    clearScreen();
    EXPECT_EQ(pixelAt(5, 5), 0xFF000000u);
    fillBox(5, 5, 5, 5);
    EXPECT_EQ(pixelAt(5, 5), 0xFFFFFFFFu);
}

TEST_F(Video, ScreenLockNests) {
    ASSERT_EQ(screenLockCount(), 0);
    lockScreen();
    lockScreen();
    EXPECT_EQ(screenLockCount(), 2);
    unlockScreen();
    EXPECT_EQ(screenLockCount(), 1);
    unlockScreen();
    EXPECT_EQ(screenLockCount(), 0);
    unlockScreen();  // an unmatched unlock does not go negative
    EXPECT_EQ(screenLockCount(), 0);
    lockScreen();
    EXPECT_EQ(screenLockCount(), 1);
    unlockScreen();
}
