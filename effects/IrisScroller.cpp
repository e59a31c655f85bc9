// The closing segments: the iris that opens onto the cubes, and the endless credits scroller.
#include "effects/IrisScroller.h"

#include <cmath>
#include <cstring>

#include "gfx/PixelKernels.h"
#include "show/Geometry.h"
#include "show/ShowState.h"
#include "timeline/Schedule.h"

namespace
{
constexpr int CentreX = ScreenWidth / 2;
constexpr int CentreY = ScreenHeight / 2;

// Strictly outside: pixels on the circle keep the cube scene. The squared radius stays below
// 2^24, so the float comparison is exact.
bool OutsideIris(int d2, float r2)
{
    return static_cast<float>(d2) > r2;
}

// Row y: every pixel of SurfIris outside the circle copied into BackBuffer.
void IrisRowPerPixel(int y, float r2)
{
    unsigned long colour = 0;
    for (int x = 0; x < ScreenWidth; ++x)
    {
        const int d2 = (y - CentreY) * (y - CentreY) + (x - CentreX) * (x - CentreX);
        if (OutsideIris(d2, r2))
        {
            GfxDevice->GetPixel32(x, y, &colour, GfxDevice->LockedSurfPtr,
                                  GfxDevice->LockedSurfPitch);
            GfxDevice->PutPixel32(x, y, colour, GfxDevice->LockedBackPtr,
                                  GfxDevice->LockedBackPitch);
        }
    }
}

// The pixels of row y that the predicate keeps (on or inside the circle) are those with
// |x - 400| <= h, one run around the centre: h comes from a square root and is then settled
// with the predicate itself. Returns -1 when the row keeps none.
int KeptHalfWidth(int y, float r2)
{
    const int dy2 = (y - CentreY) * (y - CentreY);
    if (OutsideIris(dy2, r2))
        return -1;
    int h = static_cast<int>(std::sqrt(static_cast<double>(r2) - dy2));
    while (!OutsideIris(dy2 + (h + 1) * (h + 1), r2))
        ++h;
    while (OutsideIris(dy2 + h * h, r2))
        --h;
    return h;
}

float SquaredRadius(DWORD step)
{
    // Radius 0 at the first iris step, growing 5 pixels per step.
    const int r = IrisPixelsPerStep * static_cast<int>(step) -
                  IrisPixelsPerStep * static_cast<int>(IrisFirstStep);
    return static_cast<float>(r * r);
}

// One row of the enlarged warp picture.
std::uint32_t EnlargedRow[ScreenWidth];

} // namespace

void IrisWipePerPixel(DWORD step)
{
    GfxDevice->Blt(SurfIris, SurfWarp);
    GfxDevice->Lock(SurfIris);
    GfxDevice->Lock(GfxDevice->BackBuffer);
    const float r2 = SquaredRadius(step);
    for (int y = 0; y < ScreenHeight; ++y)
        IrisRowPerPixel(y, r2);
    GfxDevice->UnLock(SurfIris);
    GfxDevice->UnLock(GfxDevice->BackBuffer);
}

void IrisWipe(DWORD step)
{
    // The enlarged picture is taken straight from SurfWarp, sampled as Blt(SurfIris, SurfWarp)
    // samples it: screen pixel (x, y) shows SurfWarp's (columns[x], rows[y]). Each of its rows
    // is gathered once, and only its runs left and right of the circle are copied; SurfIris,
    // which only carried the picture from the Blt to these copies, is not needed.
    std::uint16_t columns[ScreenWidth];
    std::uint16_t rows[ScreenHeight];
    StretchOffsets(SurfWarp->Width, ScreenWidth, ScreenWidth, columns);
    StretchOffsets(SurfWarp->Height, ScreenHeight, ScreenHeight, rows);
    GatherPlan plan;
    PlanGather(columns, SurfWarp->Width, ScreenWidth, plan);

    GfxDevice->Lock(SurfWarp);
    unsigned char* const warpPixels = GfxDevice->LockedSurfPtr;
    const long warpPitch = GfxDevice->LockedSurfPitch;
    GfxDevice->Lock(GfxDevice->BackBuffer);
    const float r2 = SquaredRadius(step);
    int gathered = -1; // the warp row in EnlargedRow
    for (int y = 0; y < ScreenHeight; ++y)
    {
        if (rows[y] != gathered)
        {
            gathered = rows[y];
            GatherRow(GfxDevice->PixelRun(0, rows[y], SurfWarp->Width, warpPixels, warpPitch), plan,
                      EnlargedRow);
        }
        const int h = KeptHalfWidth(y, r2);
        const int leftEnd = h < 0 ? ScreenWidth : CentreX - h > 0 ? CentreX - h : 0;
        const int rightStart = h < 0 ? ScreenWidth : CentreX + h + 1;
        std::uint32_t* out = GfxDevice->PixelRun(0, y, ScreenWidth, GfxDevice->LockedBackPtr,
                                                 GfxDevice->LockedBackPitch);
        std::memcpy(out, EnlargedRow, static_cast<std::size_t>(leftEnd) * 4);
        if (rightStart < ScreenWidth)
        {
            std::memcpy(out + rightStart, EnlargedRow + rightStart,
                        static_cast<std::size_t>(ScreenWidth - rightStart) * 4);
        }
    }
    GfxDevice->UnLock(SurfWarp);
    GfxDevice->UnLock(GfxDevice->BackBuffer);
}

void Scroller(DWORD step)
{
    // Strip row o at the top of the screen; the 300-row window never passes strip row 1198.
    const LONG o = static_cast<LONG>((step - ScrollFirstStep) % ScrollPeriod);
    const RECT screen = {0, 0, ScreenWidth, ScreenHeight};
    const RECT window = {0, o, ScrollerWidth, o + PictureHeight};
    GfxDevice->Blt(screen, GfxDevice->BackBuffer, window, SurfStrip);
}
