// The three box tests every contact in the game is decided by. Pure integer
// functions; both edges of a box are inclusive (w and h are one less than the
// covered width and height). They run tens of thousands of times a frame (every
// solid cell against every shot), so they live here inline.
#pragma once

#include <cstdint>

struct HitBox {
    std::int32_t dx, dy, w, h;
};

constexpr HitBox tileBox{0, 0, 31, 31};
constexpr HitBox enemyBox{0, 0, 31, 31};
constexpr HitBox shotBox{0, 0, 7, 7};
constexpr HitBox bombBox{0, 0, 7, 15};
constexpr HitBox pointBox{0, 0, 0, 0};
constexpr HitBox playerStandingBox{0, 0, 51, 63};
constexpr HitBox playerCrouchingBox{1, 15, 50, 48};

namespace collide_detail {
// Sums are taken in 64 bits so that no position the game can hand in overflows.
constexpr bool within(std::int64_t lo, std::int64_t v, std::int64_t hi) { return lo <= v && v <= hi; }
}  // namespace collide_detail

// Which corners of A at (x1, y1) lie inside B at (x2, y2): bit 1 top-left,
// 2 top-right, 4 bottom-left, 8 bottom-right. One-sided: B's corners are not
// looked at, so B inside A, or a plus-shaped crossing, gives 0.
constexpr std::int32_t cornerTest(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                  const HitBox& a, const HitBox& b) {
    using collide_detail::within;
    const std::int64_t ax = std::int64_t{x1} + a.dx, ay = std::int64_t{y1} + a.dy;
    const std::int64_t bx = std::int64_t{x2} + b.dx, by = std::int64_t{y2} + b.dy;
    const bool topInside = within(by, ay, by + b.h);
    const bool bottomInside = within(by, ay + a.h, by + b.h);
    std::int32_t r = 0;
    if (within(bx, ax, bx + b.w)) {
        if (topInside) r += 1;
        if (bottomInside) r += 4;
    }
    if (within(bx, ax + a.w, bx + b.w)) {
        if (topInside) r += 2;
        if (bottomInside) r += 8;
    }
    return r;
}

// 1 if the centre of A at (x1, y1) lies inside B at (x2, y2), else 0. The
// centre is the half width and height rounded down (arithmetic shift).
constexpr std::int32_t centreInBox(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                   const HitBox& a, const HitBox& b) {
    using collide_detail::within;
    const std::int64_t cx = std::int64_t{x1} + a.dx + (a.w >> 1);
    const std::int64_t bx = std::int64_t{x2} + b.dx;
    if (!within(bx, cx, bx + b.w)) return 0;
    const std::int64_t cy = std::int64_t{y1} + a.dy + (a.h >> 1);
    const std::int64_t by = std::int64_t{y2} + b.dy;
    return within(by, cy, by + b.h) ? 1 : 0;
}

// 1 if the centre of A at (x1, y1) lies inside the 32 x 32 square whose
// top-left pixel is (x2, y2), else 0.
constexpr std::int32_t centreInCell(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                    const HitBox& a) {
    return centreInBox(x1, y1, x2, y2, a, tileBox);
}
