// The three box tests every contact in the game is decided by. Pure integer
// functions; both edges of a box are inclusive (w and h are one less than the
// covered width and height).
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

// Which corners of A at (x1, y1) lie inside B at (x2, y2): bit 1 top-left,
// 2 top-right, 4 bottom-left, 8 bottom-right. One-sided: B's corners are not looked at.
std::int32_t cornerTest(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                        const HitBox& a, const HitBox& b);
// 1 if the centre of A at (x1, y1) lies inside B at (x2, y2).
std::int32_t centreInBox(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                         const HitBox& a, const HitBox& b);
// 1 if the centre of A at (x1, y1) lies inside the 32 x 32 square at (x2, y2).
std::int32_t centreInCell(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                          const HitBox& a);
