// The closing segments: the iris that opens onto the cubes, and the endless credits scroller.
#pragma once

#include <windows.h>

// RenderFrame, for steps 850 to 949, after the warp and the cubes: the enlarged SurfWarp
// painted over BackBuffer outside a circle of radius 5 * step - 4250.
void IrisWipe(DWORD step);
// The same, pixel by pixel through the device's per-pixel operations: the reference that the
// tests hold IrisWipe to.
void IrisWipePerPixel(DWORD step);

// RenderFrame, for steps 1300 on: a 400x300 window of SurfStrip stretched over BackBuffer.
void Scroller(DWORD step);
