// The row kernels behind the drawing operations come in three versions that
// give identical pixels: plain C++, SSE2 (every x86-64) and AVX2 (picked at
// run time when the processor has it). Tests switch between them.
#pragma once

enum class DrawPath { plain, sse2, avx2 };

// The fastest path this processor can run.
DrawPath bestDrawPath();
// Makes the drawing operations use `path`; false (and no change) when the
// processor or this build cannot run it.
bool setDrawPath(DrawPath path);
DrawPath currentDrawPath();
