// Frame buffer, drawing state, pictures and drawing operations.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "platform/backend.h"
#include "platform/draw_paths.h"
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

constexpr std::uint32_t colourBits = 0x00FFFFFFu;
constexpr std::uint32_t maskBits = 0x00FF00FFu;
constexpr std::uint32_t alphaBits = 0xFF000000u;
// Positions are clamped to this range before any arithmetic so that sums with
// widths and differences of end points cannot overflow.
constexpr double positionLimit = 1 << 29;
constexpr std::size_t imagePrefix = 64;  // the chain word, keeping 64-byte alignment

std::uint32_t* screenAt(int x, int y) { return frameBuffer + y * screenWidth + x; }

// A visible part of a picture: `rows` rows of `columns` pixels, the source
// rows `srcPitch` pixels apart, the screen rows screenWidth apart.
struct Span {
    std::uint32_t* dst;
    const std::uint32_t* src;
    int srcPitch;
    int columns;
    int rows;
};

// ---- the pixel rules, one pixel at a time (the plain path and every tail)

// Mask pixels keep the screen; every other pixel is copied with alpha 0.
inline std::uint32_t keyedPixel(std::uint32_t d, std::uint32_t s) {
    const std::uint32_t c = s & colourBits;
    return c == maskBits ? d : c;
}

// d + floor((s - d) * weight / 256) for blue, green and red, weight = A + 1 in
// 1..256, the screen's alpha kept; mask pixels keep the screen. The sum is
// formed as (d * (256 - weight) + s * weight) / 256, which is the same number
// and never negative, so every path can use unsigned 16-bit lanes.
inline std::uint32_t blendedPixel(std::uint32_t d, std::uint32_t s, int weight) {
    if ((s & colourBits) == maskBits) return d;
    const auto w = static_cast<std::uint32_t>(weight), rest = 256u - w;
    std::uint32_t out = d & alphaBits;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t sb = (s >> shift) & 0xFF, db = (d >> shift) & 0xFF;
        out |= ((db * rest + sb * w) >> 8) << shift;
    }
    return out;
}

void fillPlain(std::uint32_t* dst, int n, Colour colour) { std::fill_n(dst, n, colour); }

void copyPlain(Span s) {
    for (int j = 0; j < s.rows; ++j)
        std::memcpy(s.dst + j * screenWidth, s.src + j * s.srcPitch, static_cast<std::size_t>(s.columns) * 4);
}

void keyPlain(Span s) {
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        for (int i = 0; i < s.columns; ++i) d[i] = keyedPixel(d[i], r[i]);
    }
}

void blendPlain(Span s, int weight) {
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        for (int i = 0; i < s.columns; ++i) d[i] = blendedPixel(d[i], r[i], weight);
    }
}

// Set bit i of a glyph row paints pixel i with the foreground.
void glyphPlain(std::uint32_t* row, unsigned bits, Colour colour) {
    for (int i = 0; i < 8; ++i)
        if (bits >> i & 1u) row[i] = colour;
}

#if defined(__SSE2__)
// ---- SSE2: four pixels a step, a compare and a select per step, no branch
// per pixel; tails of fewer than four pixels go through the pixel rules.

inline __m128i keyed4(__m128i d, __m128i s) {
    const __m128i c = _mm_and_si128(s, _mm_set1_epi32(static_cast<int>(colourBits)));
    const __m128i keep = _mm_cmpeq_epi32(c, _mm_set1_epi32(static_cast<int>(maskBits)));
    return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, c));
}

inline __m128i blended4(__m128i d, __m128i s, __m128i w, __m128i rest) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), w),
                                                    _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), rest)),
                                      8);
    const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), w),
                                                    _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), rest)),
                                      8);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(alphaBits));
    const __m128i mixed = _mm_or_si128(_mm_andnot_si128(alpha, _mm_packus_epi16(lo, hi)), _mm_and_si128(alpha, d));
    const __m128i c = _mm_and_si128(s, _mm_set1_epi32(static_cast<int>(colourBits)));
    const __m128i keep = _mm_cmpeq_epi32(c, _mm_set1_epi32(static_cast<int>(maskBits)));
    return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, mixed));
}

inline __m128i load4(const std::uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store4(std::uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

void fillSse2(std::uint32_t* dst, int n, Colour colour) {
    const __m128i v = _mm_set1_epi32(static_cast<int>(colour));
    int i = 0;
    for (; i + 4 <= n; i += 4) store4(dst + i, v);
    for (; i < n; ++i) dst[i] = colour;
}

void copySse2(Span s) {
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        int i = 0;
        for (; i + 4 <= s.columns; i += 4) store4(d + i, load4(r + i));
        for (; i < s.columns; ++i) d[i] = r[i];
    }
}

void keySse2(Span s) {
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        int i = 0;
        for (; i + 4 <= s.columns; i += 4) store4(d + i, keyed4(load4(d + i), load4(r + i)));
        for (; i < s.columns; ++i) d[i] = keyedPixel(d[i], r[i]);
    }
}

void blendSse2(Span s, int weight) {
    const __m128i w = _mm_set1_epi16(static_cast<short>(weight));
    const __m128i rest = _mm_set1_epi16(static_cast<short>(256 - weight));
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        int i = 0;
        for (; i + 4 <= s.columns; i += 4) store4(d + i, blended4(load4(d + i), load4(r + i), w, rest));
        for (; i < s.columns; ++i) d[i] = blendedPixel(d[i], r[i], weight);
    }
}

// Bit i of the glyph row selects lane i of the two four-pixel halves.
void glyphSse2(std::uint32_t* row, unsigned bits, Colour colour) {
    const __m128i b = _mm_set1_epi32(static_cast<int>(bits));
    const __m128i fg = _mm_set1_epi32(static_cast<int>(colour));
    const __m128i lowBits = _mm_setr_epi32(1, 2, 4, 8), highBits = _mm_setr_epi32(16, 32, 64, 128);
    const __m128i lo = _mm_cmpeq_epi32(_mm_and_si128(b, lowBits), lowBits);
    const __m128i hi = _mm_cmpeq_epi32(_mm_and_si128(b, highBits), highBits);
    store4(row, _mm_or_si128(_mm_and_si128(lo, fg), _mm_andnot_si128(lo, load4(row))));
    store4(row + 4, _mm_or_si128(_mm_and_si128(hi, fg), _mm_andnot_si128(hi, load4(row + 4))));
}

// ---- AVX2, chosen at run time: eight pixels a step, then one SSE2 step and
// the pixel rules for the tail.
#define BRASTOR_AVX2 __attribute__((target("avx2")))

BRASTOR_AVX2 inline __m256i load8(const std::uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
BRASTOR_AVX2 inline void store8(std::uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

BRASTOR_AVX2 void fillAvx2(std::uint32_t* dst, int n, Colour colour) {
    const __m256i v = _mm256_set1_epi32(static_cast<int>(colour));
    int i = 0;
    for (; i + 8 <= n; i += 8) store8(dst + i, v);
    for (; i < n; ++i) dst[i] = colour;
}

BRASTOR_AVX2 void copyAvx2(Span s) {
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        int i = 0;
        for (; i + 8 <= s.columns; i += 8) store8(d + i, load8(r + i));
        if (i + 4 <= s.columns) store4(d + i, load4(r + i)), i += 4;
        for (; i < s.columns; ++i) d[i] = r[i];
    }
}

BRASTOR_AVX2 void keyAvx2(Span s) {
    const __m256i colour = _mm256_set1_epi32(static_cast<int>(colourBits));
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(maskBits));
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        int i = 0;
        for (; i + 8 <= s.columns; i += 8) {
            const __m256i c = _mm256_and_si256(load8(r + i), colour);
            const __m256i keep = _mm256_cmpeq_epi32(c, mask);
            store8(d + i, _mm256_blendv_epi8(c, load8(d + i), keep));
        }
        if (i + 4 <= s.columns) store4(d + i, keyed4(load4(d + i), load4(r + i))), i += 4;
        for (; i < s.columns; ++i) d[i] = keyedPixel(d[i], r[i]);
    }
}

BRASTOR_AVX2 void blendAvx2(Span s, int weight) {
    const __m256i w = _mm256_set1_epi16(static_cast<short>(weight));
    const __m256i rest = _mm256_set1_epi16(static_cast<short>(256 - weight));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(alphaBits));
    const __m256i colour = _mm256_set1_epi32(static_cast<int>(colourBits));
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(maskBits));
    const __m128i w4 = _mm_set1_epi16(static_cast<short>(weight));
    const __m128i rest4 = _mm_set1_epi16(static_cast<short>(256 - weight));
    for (int j = 0; j < s.rows; ++j) {
        std::uint32_t* d = s.dst + j * screenWidth;
        const std::uint32_t* r = s.src + j * s.srcPitch;
        int i = 0;
        for (; i + 8 <= s.columns; i += 8) {
            const __m256i sv = load8(r + i), dv = load8(d + i);
            // unpack and pack work within each 128-bit half, so the order survives
            const __m256i lo = _mm256_srli_epi16(
                _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(sv, zero), w),
                                 _mm256_mullo_epi16(_mm256_unpacklo_epi8(dv, zero), rest)),
                8);
            const __m256i hi = _mm256_srli_epi16(
                _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(sv, zero), w),
                                 _mm256_mullo_epi16(_mm256_unpackhi_epi8(dv, zero), rest)),
                8);
            const __m256i mixed = _mm256_blendv_epi8(_mm256_packus_epi16(lo, hi), dv, alpha);
            const __m256i keep = _mm256_cmpeq_epi32(_mm256_and_si256(sv, colour), mask);
            store8(d + i, _mm256_blendv_epi8(mixed, dv, keep));
        }
        if (i + 4 <= s.columns) store4(d + i, blended4(load4(d + i), load4(r + i), w4, rest4)), i += 4;
        for (; i < s.columns; ++i) d[i] = blendedPixel(d[i], r[i], weight);
    }
}
#endif

struct Kernels {
    void (*fill)(std::uint32_t*, int, Colour);
    void (*copy)(Span);
    void (*key)(Span);
    void (*blend)(Span, int);
    void (*glyph)(std::uint32_t*, unsigned, Colour);
};

constexpr Kernels plainKernels{fillPlain, copyPlain, keyPlain, blendPlain, glyphPlain};
#if defined(__SSE2__)
constexpr Kernels sse2Kernels{fillSse2, copySse2, keySse2, blendSse2, glyphSse2};
// Glyph rows are eight pixels: SSE2 covers them in two steps.
constexpr Kernels avx2Kernels{fillAvx2, copyAvx2, keyAvx2, blendAvx2, glyphSse2};
#endif

[[maybe_unused]] bool processorHasAvx2() {
#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

DrawPath initialPath() { return bestDrawPath(); }
DrawPath activePath = initialPath();

const Kernels& kernels() {
#if defined(__SSE2__)
    switch (activePath) {
    case DrawPath::avx2: return avx2Kernels;
    case DrawPath::sse2: return sse2Kernels;
    case DrawPath::plain: break;
    }
#endif
    return plainKernels;
}

void fillRow(std::uint32_t* row, int n, Colour colour) { kernels().fill(row, n, colour); }

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

// The backend's status: 0 when the window and frame buffer opened.
int setScreenMode(int width, int height, int) {
    const int status = backendOpen(width, height);
    foregroundColour = 0xFFFFFFFFu;
    backgroundColour = 0xFF000000u;
    return status;
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
    // Aligned new rather than std::aligned_alloc, which Windows lacks.
    void* block = ::operator new(bytes, std::align_val_t{64}, std::nothrow);
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
    const int px = roundPosition(x), py = roundPosition(y);
    Clip c;
    if (!clipRect(px, py, image->width, image->height, c)) return;
    const int left = px + c.firstColumn;
    const int top = py + c.firstRow;
    const Span span{screenAt(left, top), imageRow(image, c.firstRow) + c.firstColumn, image->pitch / 4,
                    c.columns, c.rows};
    switch (mode) {
    case DrawMode::opaque: kernels().copy(span); break;
    case DrawMode::transparent: kernels().key(span); break;
    case DrawMode::blend: kernels().blend(span, std::min(opacity, 255) + 1); break;
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
    const auto paintGlyphRow = kernels().glyph;
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
            if (firstBit == 0 && lastBit == 8)
                paintGlyphRow(row + gx, bits, foregroundColour);
            else
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

DrawPath bestDrawPath() {
#if defined(__SSE2__)
    return processorHasAvx2() ? DrawPath::avx2 : DrawPath::sse2;
#else
    return DrawPath::plain;
#endif
}

bool setDrawPath(DrawPath path) {
#if defined(__SSE2__)
    if (path == DrawPath::avx2 && !processorHasAvx2()) return false;
#else
    if (path != DrawPath::plain) return false;
#endif
    activePath = path;
    return true;
}

DrawPath currentDrawPath() { return activePath; }
