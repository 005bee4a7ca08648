// The drawing calls of one frame, caught on their way from the game library
// to the drawing code, so the references can replay the same frame.
#pragma once

#include <cstdint>

#include "platform/platform.h"

enum class OpKind { clear, fill, image, text, darkenStrip };

struct DrawOp {
    OpKind kind;
    const Image* image;
    int x, y;       // image and text: rounded top-left; fill: left, top
    int w, h;       // fill: width and height on the screen, clipped
    DrawMode mode;
    int opacity;
    Colour colour;  // clear, fill, text
    char text[64];
    int textLength;
};

constexpr int drawOpCapacity = 4096;
extern DrawOp drawOps[drawOpCapacity];
extern int drawOpCount;
// While true, every drawing call of the game is appended to drawOps.
extern bool recordingDraws;

// The drawing state the game last set (globals of the drawing code).
extern Colour foregroundColour;
extern Colour backgroundColour;
