// Frame buffer, drawing state, pictures and drawing operations.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/backend.h"
#include "platform/platform.h"

// The built-in 8 x 16 font (font.cpp): one byte per glyph row, least
// significant bit leftmost.
extern const std::uint8_t fontGlyphs[256][16];

// The screen the game draws into: rows of 640 pixels, no padding. The backend
// reads it only while no screen lock is held.
alignas(64) std::uint32_t frameBuffer[screenWidth * screenHeight];
Colour foregroundColour = 0xFFFFFFFFu;
Colour backgroundColour = 0xFF000000u;
std::atomic<int> screenLocks{0};

// Every image ever created, chained through a hidden word in front of each
// block, so the blocks stay reachable (they live until the program ends).
void* createdImages = nullptr;

namespace {

using Pixels4 = std::uint32_t __attribute__((vector_size(16)));

constexpr std::uint32_t colourBits = 0x00FFFFFFu;
constexpr std::uint32_t maskBits = 0x00FF00FFu;
// Positions are clamped to this range before any arithmetic so that sums with
// widths and differences of end points cannot overflow.
constexpr double positionLimit = 1 << 29;
constexpr std::size_t imagePrefix = 64;  // the chain word, keeping 64-byte alignment

std::uint32_t* screenAt(int x, int y) { return frameBuffer + y * screenWidth + x; }

// Fills n pixels of one row with colour.
void fillRow(std::uint32_t* row, int n, Colour colour) { std::fill_n(row, n, colour); }

// Mask pixels keep the screen; every other pixel is copied with alpha 0.
// Four pixels at a time with a compare-and-select the compiler turns into
// plain SSE2 (or the target's equivalent); the tail goes pixel by pixel.
void transparentRow(std::uint32_t* dst, const std::uint32_t* src, int n) {
    const Pixels4 colour = {colourBits, colourBits, colourBits, colourBits};
    const Pixels4 mask = {maskBits, maskBits, maskBits, maskBits};
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        Pixels4 s, d;
        std::memcpy(&s, src + i, sizeof s);
        std::memcpy(&d, dst + i, sizeof d);
        Pixels4 c = s & colour;
        Pixels4 keep = reinterpret_cast<Pixels4>(c == mask);
        d = (d & keep) | (c & ~keep);
        std::memcpy(dst + i, &d, sizeof d);
    }
    for (; i < n; ++i) {
        std::uint32_t c = src[i] & colourBits;
        std::uint32_t keep = c == maskBits ? 0xFFFFFFFFu : 0u;
        dst[i] = (dst[i] & keep) | (c & ~keep);
    }
}

// d + floor((s - d) * weight / 256) for blue, green and red, weight = A + 1
// in 1..256; the screen's alpha byte is kept. Mask pixels are skipped. Only
// the sparks and the streamer blend, a few thousand pixels a frame, so this
// stays scalar.
void blendRow(std::uint32_t* dst, const std::uint32_t* src, int n, int weight) {
    for (int i = 0; i < n; ++i) {
        std::uint32_t s = src[i];
        if ((s & colourBits) == maskBits) continue;
        std::uint32_t d = dst[i];
        std::uint32_t out = d & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            int sb = static_cast<int>((s >> shift) & 0xFF);
            int db = static_cast<int>((d >> shift) & 0xFF);
            int v = db + (((sb - db) * weight) >> 8);
            out |= static_cast<std::uint32_t>(v) << shift;
        }
        dst[i] = out;
    }
}

// The part of a w x h rectangle at (x, y) that lies on the screen, as offsets
// into the rectangle; false when nothing is visible.
struct Clip {
    int firstColumn, firstRow, columns, rows;
};
bool clipRect(long long x, long long y, long long w, long long h, Clip& clip) {
    long long x0 = std::max(0LL, x), y0 = std::max(0LL, y);
    long long x1 = std::min<long long>(screenWidth, x + w);
    long long y1 = std::min<long long>(screenHeight, y + h);
    if (x0 >= x1 || y0 >= y1) return false;
    clip = {static_cast<int>(x0 - x), static_cast<int>(y0 - y), static_cast<int>(x1 - x0),
            static_cast<int>(y1 - y0)};
    return true;
}

void plot(long long x, long long y) {
    if (x >= 0 && x < screenWidth && y >= 0 && y < screenHeight)
        *screenAt(static_cast<int>(x), static_cast<int>(y)) = foregroundColour;
}

// The pixels of a box given by two opposite corners, clamped to the screen;
// false when the box misses the screen.
bool boxOnScreen(double x1, double y1, double x2, double y2, int& left, int& top, int& right,
                 int& bottom) {
    int ax = roundPosition(x1), ay = roundPosition(y1);
    int bx = roundPosition(x2), by = roundPosition(y2);
    left = std::min(ax, bx);
    right = std::max(ax, bx);
    top = std::min(ay, by);
    bottom = std::max(ay, by);
    if (right < 0 || bottom < 0 || left >= screenWidth || top >= screenHeight) return false;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, screenWidth - 1);
    bottom = std::min(bottom, screenHeight - 1);
    return true;
}

}  // namespace

int roundPosition(double v) {
    if (std::isnan(v)) return 0;
    v = std::clamp(v, -positionLimit, positionLimit);
    return v > 0 ? static_cast<int>(v + 0.5) : static_cast<int>(v - 0.5);
}

int setScreenMode(int width, int height, int) {
    backendOpen(width, height);
    foregroundColour = 0xFFFFFFFFu;
    backgroundColour = 0xFF000000u;
    return 0;
}

ScreenSize screenSize() { return {screenWidth, screenHeight, 32}; }

void lockScreen() {
    if (screenLocks.fetch_add(1) == 0) backendAcquireScreen();
}

// An unlock without a matching lock is ignored rather than driving the count
// negative, which would hand the frame to the backend mid-draw next time.
void unlockScreen() {
    int count = screenLocks.load();
    if (count <= 0) return;
    if (screenLocks.fetch_sub(1) == 1) backendReleaseScreen();
}

int screenLockCount() { return screenLocks.load(); }

std::uint32_t* framePixels() { return frameBuffer; }

void presentScreen() { backendPresent(); }

// One block: a hidden chain word, the 32-byte header, then the rows; every
// pixel, padding included, set to fill. Sizes outside 1..4096 give nullptr.
Image* createImage(int width, int height, Colour fill) {
    if (width < 1 || height < 1 || width > 4096 || height > 4096) return nullptr;
    int pitch = (4 * width + 15) / 16 * 16;
    std::size_t bytes = imagePrefix + sizeof(Image) + static_cast<std::size_t>(pitch) * height;
    bytes = (bytes + 63) / 64 * 64;
    void* block = std::aligned_alloc(64, bytes);
    if (!block) return nullptr;
    std::memcpy(block, &createdImages, sizeof createdImages);
    createdImages = block;
    auto* image = reinterpret_cast<Image*>(static_cast<std::uint8_t*>(block) + imagePrefix);
    *image = Image{7, 4, width, height, pitch, {0, 0, 0}};
    for (int y = 0; y < height; ++y) fillRow(imageRow(image, y), pitch / 4, fill);
    return image;
}

void drawImage(double x, double y, const Image* image, DrawMode mode, int opacity) {
    if (!image || image->bytesPerPixel != 4) return;
    if (mode == DrawMode::blend && opacity <= 0) return;
    Clip c;
    if (!clipRect(roundPosition(x), roundPosition(y), image->width, image->height, c)) return;
    int left = roundPosition(x) + c.firstColumn;
    int top = roundPosition(y) + c.firstRow;
    int weight = std::min(opacity, 255) + 1;
    for (int j = 0; j < c.rows; ++j) {
        const std::uint32_t* src = imageRow(image, c.firstRow + j) + c.firstColumn;
        std::uint32_t* dst = screenAt(left, top + j);
        switch (mode) {
        case DrawMode::opaque:
            std::memcpy(dst, src, static_cast<std::size_t>(c.columns) * 4);
            break;
        case DrawMode::transparent:
            transparentRow(dst, src, c.columns);
            break;
        case DrawMode::blend:
            blendRow(dst, src, c.columns, weight);
            break;
        }
    }
}

// Both end points included, one pixel per step along the longer axis. The
// steps are limited to the screen's span of that axis, so a line with far-off
// end points costs no more than one across the screen.
void drawLine(double x1, double y1, double x2, double y2) {
    long long ax = roundPosition(x1), ay = roundPosition(y1);
    long long bx = roundPosition(x2), by = roundPosition(y2);
    if (ay == by) {
        int left, top, right, bottom;
        if (boxOnScreen(x1, y1, x2, y2, left, top, right, bottom))
            fillRow(screenAt(left, top), right - left + 1, foregroundColour);
        return;
    }
    long long dx = bx - ax, dy = by - ay;
    bool alongX = std::llabs(dx) >= std::llabs(dy);
    long long major0 = alongX ? ax : ay, major1 = alongX ? bx : by;
    long long minor0 = alongX ? ay : ax;
    long long dMajor = alongX ? dx : dy, dMinor = alongX ? dy : dx;
    long long limit = alongX ? screenWidth - 1 : screenHeight - 1;
    long long from = std::max(std::min(major0, major1), 0LL);
    long long to = std::min(std::max(major0, major1), limit);
    for (long long m = from; m <= to; ++m) {
        // minor0 + (m - major0) * dMinor / dMajor, rounded halves away from zero
        long long num = (m - major0) * dMinor;
        long long den = dMajor;
        if (den < 0) num = -num, den = -den;
        long long q = num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
        long long minor = minor0 + q;
        if (alongX) plot(m, minor);
        else plot(minor, m);
    }
}

void drawBox(double x1, double y1, double x2, double y2) {
    drawLine(x1, y1, x2, y1);
    drawLine(x1, y2, x2, y2);
    drawLine(x1, y1, x1, y2);
    drawLine(x2, y1, x2, y2);
}

void fillBox(double x1, double y1, double x2, double y2) {
    int left, top, right, bottom;
    if (!boxOnScreen(x1, y1, x2, y2, left, top, right, bottom)) return;
    for (int y = top; y <= bottom; ++y) fillRow(screenAt(left, y), right - left + 1, foregroundColour);
}

// Every byte is a glyph placed 8 pixels after the previous one; set bits take
// the foreground colour, clear bits leave the screen as it is.
void drawText(double x, double y, std::string_view text) {
    long long left = roundPosition(x), top = roundPosition(y);
    if (top >= screenHeight || top + 16 <= 0) return;
    int firstRow = static_cast<int>(std::max(0LL, -top));
    int lastRow = static_cast<int>(std::min(16LL, screenHeight - top));
    for (std::size_t k = 0; k < text.size(); ++k) {
        long long gx = left + 8 * static_cast<long long>(k);
        if (gx >= screenWidth) break;
        if (gx + 8 <= 0) continue;
        const std::uint8_t* glyph = fontGlyphs[static_cast<std::uint8_t>(text[k])];
        int firstBit = static_cast<int>(std::max(0LL, -gx));
        int lastBit = static_cast<int>(std::min(8LL, screenWidth - gx));
        for (int r = firstRow; r < lastRow; ++r) {
            unsigned bits = glyph[r];
            if (!bits) continue;
            std::uint32_t* row = screenAt(0, static_cast<int>(top + r));
            for (int i = firstBit; i < lastBit; ++i)
                if (bits >> i & 1u) row[gx + i] = foregroundColour;
        }
    }
}

void setColours(std::optional<Colour> foreground, std::optional<Colour> background) {
    if (foreground) foregroundColour = *foreground;
    if (background) backgroundColour = *background;
}

void clearScreen() { fillRow(frameBuffer, screenWidth * screenHeight, backgroundColour); }
