// The sine row warp: every row of SurfJ3 squeezed, whole, into a span of SurfWarp whose ends
// wave along two sine curves down the rows.
#include "effects/SineWarp.h"

#include <cmath>

#include "shell/Demo.h"
#include "timeline/Schedule.h"

unsigned char* WarpSourcePixels = nullptr;
int WarpSourcePitch = 0;

namespace
{
constexpr int WarpSize = 300;
constexpr double SourceWidth = 400.0;
} // namespace

void WarpRow(int row, int start, int end)
{
    if (start >= end)
        return;
    const double step = SourceWidth / (end - start);
    // The source position is accumulated, not multiplied out: where the sum falls just below
    // a whole number the pixel takes the column one lower.
    double p = 0.0;
    unsigned long colour = 0;
    for (int x = start; x < end; ++x)
    {
        GfxDevice->GetPixel32(static_cast<int>(p), row, &colour, WarpSourcePixels, WarpSourcePitch);
        GfxDevice->PutPixel32(x, row, colour, GfxDevice->LockedSurfPtr, GfxDevice->LockedSurfPitch);
        p += step;
    }
}

void SineRowWarp(DWORD step)
{
    GfxDevice->ClearSurf(0UL, SurfWarp);

    GfxDevice->Lock(SurfJ3);
    WarpSourcePixels = GfxDevice->LockedSurfPtr;
    WarpSourcePitch = static_cast<int>(GfxDevice->LockedSurfPitch);
    GfxDevice->Lock(SurfWarp);

    const double t = static_cast<double>(step - WarpFirstStep); // 0 .. 277
    // Right end: frequency a, phase b. Left end: frequency c, phase d.
    const double a = std::sin(t * 0.0545) * 0.079 + 0.08;
    const double b = t * 0.19;
    const double c = std::sin(t * 0.04) * 0.026 + 0.03;
    const double d = t * 0.1;

    for (int j = 0; j < WarpSize; ++j)
    {
        // The right end waves over columns 240 .. 300, the left end over 0 .. 60.
        const int end = static_cast<int>(std::sin((j * a) * 0.3 + b) * 30.0 + 270.0);
        const int start = static_cast<int>((std::sin((j * c) * 0.3 + d) + 1.0) * 30.0);
        WarpRow(j, start, end);
    }

    GfxDevice->UnLock(SurfJ3);
    GfxDevice->UnLock(SurfWarp);
    if (step <= WarpShownLastStep) // later, the iris wipe shows SurfWarp
        GfxDevice->Blt(GfxDevice->BackBuffer, SurfWarp);
}
