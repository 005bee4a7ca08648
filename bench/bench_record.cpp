// Linked with --wrap for drawImage, fillBox, clearScreen and drawText: every
// call from the game library lands here first and goes on to the real one.
#include "bench_record.h"

#include <algorithm>
#include <cstring>
#include <string_view>

DrawOp drawOps[drawOpCapacity];
int drawOpCount = 0;
bool recordingDraws = false;

void realDrawImage(double x, double y, const Image* image, DrawMode mode, int opacity) __asm__(
    "__real__Z9drawImageddPK5Image8DrawModei");
void realFillBox(double x1, double y1, double x2, double y2) __asm__("__real__Z7fillBoxdddd");
void realClearScreen() __asm__("__real__Z11clearScreenv");
void realDrawText(double x, double y, std::string_view text) __asm__(
    "__real__Z8drawTextddSt17basic_string_viewIcSt11char_traitsIcEE");

void wrapDrawImage(double x, double y, const Image* image, DrawMode mode, int opacity) __asm__(
    "__wrap__Z9drawImageddPK5Image8DrawModei");
void wrapFillBox(double x1, double y1, double x2, double y2) __asm__("__wrap__Z7fillBoxdddd");
void wrapClearScreen() __asm__("__wrap__Z11clearScreenv");
void wrapDrawText(double x, double y, std::string_view text) __asm__(
    "__wrap__Z8drawTextddSt17basic_string_viewIcSt11char_traitsIcEE");

namespace {
DrawOp* nextOp(OpKind kind) {
    if (!recordingDraws || drawOpCount >= drawOpCapacity) return nullptr;
    DrawOp* op = &drawOps[drawOpCount++];
    *op = DrawOp{};
    op->kind = kind;
    return op;
}
}  // namespace

void wrapDrawImage(double x, double y, const Image* image, DrawMode mode, int opacity) {
    if (DrawOp* op = nextOp(OpKind::image)) {
        op->image = image;
        op->x = roundPosition(x);
        op->y = roundPosition(y);
        op->mode = mode;
        op->opacity = opacity;
    }
    realDrawImage(x, y, image, mode, opacity);
}

void wrapFillBox(double x1, double y1, double x2, double y2) {
    if (DrawOp* op = nextOp(OpKind::fill)) {
        const int l = std::max(0, std::min(roundPosition(x1), roundPosition(x2)));
        const int r = std::min(screenWidth - 1, std::max(roundPosition(x1), roundPosition(x2)));
        const int t = std::max(0, std::min(roundPosition(y1), roundPosition(y2)));
        const int b = std::min(screenHeight - 1, std::max(roundPosition(y1), roundPosition(y2)));
        op->x = l;
        op->y = t;
        op->w = std::max(0, r - l + 1);
        op->h = std::max(0, b - t + 1);
        op->colour = foregroundColour;
    }
    realFillBox(x1, y1, x2, y2);
}

void wrapClearScreen() {
    if (DrawOp* op = nextOp(OpKind::clear)) op->colour = backgroundColour;
    realClearScreen();
}

void wrapDrawText(double x, double y, std::string_view text) {
    // The head-up display darkens its strip right before its first text.
    if (recordingDraws && text == "SCORE:") nextOp(OpKind::darkenStrip);
    if (DrawOp* op = nextOp(OpKind::text)) {
        op->x = roundPosition(x);
        op->y = roundPosition(y);
        op->colour = foregroundColour;
        op->textLength = static_cast<int>(std::min<std::size_t>(text.size(), sizeof op->text));
        std::memcpy(op->text, text.data(), static_cast<std::size_t>(op->textLength));
    }
    realDrawText(x, y, text);
}
