// The two references a frame's drawing is measured against, both replaying
// the drawing calls recorded from one real frame (bench_record.h).
#pragma once

// Builds the SDL2 surfaces for the recorded frame (once per recording).
void prepareReferences();
// The recorded frame drawn with SDL2 software surfaces: SDL_FillRect for the
// clear and the fills, colour-keyed blits for transparent pictures, plain
// blits for opaque ones, alpha-modulated keyed blits for blended ones.
void drawWithSdl();
// The memory traffic of the recorded frame and nothing more: one clear of the
// screen and one memcpy per visible picture row.
void drawMemoryFloor();
// Picture rows the floor copies per frame (for the report).
long long floorRowCount();
