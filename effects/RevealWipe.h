// The opening segments: the first picture pulled out of horizontal streaks, then faded to
// black.
#pragma once

#include <windows.h>

// RenderFrame, for the wipe steps (WipeFirstStep .. WipeLastStep): SurfInitial uncovered over 2 *
// step columns into SurfWipe, which is stretched over BackBuffer.
void RevealWipe(DWORD step);

// RenderFrame, for the fade steps (FadeFirstStep .. FadeLastStep): SurfInitial mixed with SurfBlack
// into SurfFade, which is stretched over BackBuffer.
void FadeToBlack(DWORD step);

// The same frames made pixel by pixel through the device's per-pixel operations: the
// reference that the tests hold the two segments to.
void RevealWipePerPixel(DWORD step);
void FadeToBlackPerPixel(DWORD step);
