// The pulsing cross-fade of SurfJ1 with SurfJ2, then SurfJ3.
#pragma once

#include <windows.h>

// RenderFrame, for the blend steps (BlendFirstStep .. BlendLastStep): SurfBlend made and stretched
// over BackBuffer.
void PulsingBlend(DWORD step);

// The same frame made pixel by pixel through the device's per-pixel operations: the reference
// that the tests hold PulsingBlend to.
void PulsingBlendPerPixel(DWORD step);
