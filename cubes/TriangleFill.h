// Triangle span fill: one flat triangle added into the locked BackBuffer, channel by channel,
// with 8-bit wrap-around. No depth test, no culling; rows outside 0..599 are skipped and x is
// clamped to 0..800 so that every pixel touched lies on the 800x600 surface.
#pragma once

#include "cubes/CubeMesh.h"

// Per-row span tables (600 entries each), allocated by StartDemo and freed by StopDemo. For
// row y the fill covers x = SpanLeft[y] .. SpanRight[y] - 1. Each fill resets them to the
// empty-row markers 799 and 0 (FillTriangle only on the triangle's own rows) and then traces
// the triangle's outline into them.
extern int* SpanLeft;
extern int* SpanRight;

// Adds triangle.Colour to every pixel the triangle covers, on screen x and y of its corners.
// base and pitch address the locked BackBuffer (LockedBackPtr, LockedBackPitch).
void FillTriangle(const CubeTriangle& triangle, unsigned char* base, long pitch);
// The same, pixel by pixel through the device's per-pixel operations, after resetting all 600
// rows: the reference that the tests hold FillTriangle to.
void FillTrianglePerPixel(const CubeTriangle& triangle, unsigned char* base, long pitch);
