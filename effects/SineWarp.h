// The sine row warp: SurfJ3's rows squeezed between two waving sine curves into SurfWarp.
#pragma once

#include <windows.h>

// SurfJ3's pixels and pitch while the warp has it locked; read by WarpRow.
extern unsigned char* WarpSourcePixels;
extern int WarpSourcePitch;

// The warp: copies source row `row` (400 pixels) into columns start .. end - 1 of the same row
// of the surface locked last. No clipping: 0 <= row <= 299, 0 <= start < end <= 300.
// WarpRowPerPixel goes pixel by pixel, summing the source position as it goes; WarpRow gathers
// the same columns through a table made from the same sums.
void WarpRow(int row, int start, int end);
void WarpRowPerPixel(int row, int start, int end);

// RenderFrame, for the warp steps (WarpFirstStep .. WarpLastStep): SurfWarp redrawn; stretched
// over BackBuffer only up to WarpShownLastStep (the iris wipe uses it after that).
void SineRowWarp(DWORD step);

// The same frame made pixel by pixel with WarpRowPerPixel: the reference that the tests hold
// SineRowWarp to.
void SineRowWarpPerPixel(DWORD step);
