// Triangle span fill: one flat triangle added into the locked BackBuffer, channel by channel,
// with 8-bit wrap-around. No depth test, no culling; rows outside the screen are skipped and x
// is clamped to 0 .. ScreenWidth so that every pixel touched lies on the screen. The span tables
// SpanLeft and SpanRight (show/ShowState.h) hold the rows' extents: each fill resets them to the
// empty-row markers ScreenWidth - 1 and 0 (FillTriangle only on the triangle's own rows) and
// then traces the triangle's outline into them.
#pragma once

#include "cubes/CubeMesh.h"

// Adds triangle.Colour to every pixel the triangle covers, on screen x and y of its corners.
// base and pitch address the locked BackBuffer (LockedBackPtr, LockedBackPitch).
void FillTriangle(const CubeTriangle& triangle, unsigned char* base, long pitch);
// The same, pixel by pixel through the device's per-pixel operations, after resetting every
// row: the reference that the tests hold FillTriangle to.
void FillTrianglePerPixel(const CubeTriangle& triangle, unsigned char* base, long pitch);
