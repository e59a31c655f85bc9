// The sine row warp: every row of SurfJ3 squeezed, whole, into a span of SurfWarp whose ends
// wave along two sine curves down the rows.
#include "effects/SineWarp.h"

#include <cmath>
#include <cstdint>

#include "gfx/PixelKernels.h"
#include "show/Geometry.h"
#include "show/ShowState.h"
#include "timeline/Schedule.h"

unsigned char* WarpSourcePixels = nullptr;
int WarpSourcePitch = 0;

namespace
{
constexpr double SourceWidth = PictureWidth;

// Source columns of every span length. The accumulated position of WarpRowPerPixel depends on
// the span's length alone (its step is SourceWidth / length, summed from 0), so the columns of a
// span of n pixels, worked out once with the same double additions, serve every row of every frame.
// Run n starts at entry n * (n - 1) / 2 and is made the first time a span of n is drawn.
constexpr int LongestSpan = WarpSize;
std::uint16_t SpanColumns[LongestSpan * (LongestSpan + 1) / 2];
bool SpanColumnsMade[LongestSpan + 1];

const std::uint16_t* ColumnsOfSpan(int n)
{
    std::uint16_t* const columns = SpanColumns + n * (n - 1) / 2;
    if (!SpanColumnsMade[n])
    {
        const double step = SourceWidth / n;
        double p = 0.0;
        for (int k = 0; k < n; ++k)
        {
            columns[k] = static_cast<std::uint16_t>(static_cast<int>(p));
            p += step;
        }
        SpanColumnsMade[n] = true;
    }
    return columns;
}

void DrawWarp(DWORD step, void (*row)(int, int, int))
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
        row(j, start, end);
    }

    GfxDevice->UnLock(SurfJ3);
    GfxDevice->UnLock(SurfWarp);
    if (step <= WarpShownLastStep) // later, the iris wipe shows SurfWarp
        GfxDevice->Blt(GfxDevice->BackBuffer, SurfWarp);
}

} // namespace

void WarpRowPerPixel(int row, int start, int end)
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

void WarpRow(int row, int start, int end)
{
    if (start >= end)
        return;
    const int n = end - start;
    GatherRow(
        GfxDevice->PixelRun(0, row, static_cast<int>(SourceWidth), WarpSourcePixels,
                            WarpSourcePitch),
        static_cast<int>(SourceWidth), ColumnsOfSpan(n), n,
        GfxDevice->PixelRun(start, row, n, GfxDevice->LockedSurfPtr, GfxDevice->LockedSurfPitch));
}

void SineRowWarp(DWORD step)
{
    DrawWarp(step, WarpRow);
}

void SineRowWarpPerPixel(DWORD step)
{
    DrawWarp(step, WarpRowPerPixel);
}
