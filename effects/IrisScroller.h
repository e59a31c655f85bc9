// The closing segments: the iris that opens onto the cubes, and the endless credits scroller.
#pragma once

#include <windows.h>

// RenderFrame, for the iris steps (IrisFirstStep .. IrisLastStep), after the warp and the cubes:
// the enlarged SurfWarp painted over BackBuffer outside a circle that grows IrisPixelsPerStep
// pixels a step from IrisFirstStep on.
void IrisWipe(DWORD step);
// The same, pixel by pixel through the device's per-pixel operations: the reference that the
// tests hold IrisWipe to.
void IrisWipePerPixel(DWORD step);

// RenderFrame, from ScrollFirstStep on: a picture-sized window of SurfStrip stretched over
// BackBuffer.
void Scroller(DWORD step);
