// The closing segments: the iris that opens onto the cubes, and the endless credits scroller.
#include "effects/IrisScroller.h"

#include <cmath>
#include <cstring>

#include "shell/Demo.h"
#include "timeline/Schedule.h"

namespace
{
constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;
constexpr int CentreX = 400;
constexpr int CentreY = 300;

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

// The same row as two copies. The pixels of a row that the predicate keeps are those with
// |x - 400| <= h, one run around the centre: h comes from a square root and is then settled
// with the predicate itself, so the runs left and right of it are exactly the pixels outside.
void IrisRow(int y, float r2)
{
    const std::uint32_t* in = GfxDevice->PixelRun(0, y, ScreenWidth, GfxDevice->LockedSurfPtr,
                                                  GfxDevice->LockedSurfPitch);
    std::uint32_t* out = GfxDevice->PixelRun(0, y, ScreenWidth, GfxDevice->LockedBackPtr,
                                             GfxDevice->LockedBackPitch);
    const int dy2 = (y - CentreY) * (y - CentreY);
    if (OutsideIris(dy2, r2)) // the row passes above or below the circle
    {
        std::memcpy(out, in, ScreenWidth * 4);
        return;
    }
    int h = static_cast<int>(std::sqrt(static_cast<double>(r2) - dy2));
    while (!OutsideIris(dy2 + (h + 1) * (h + 1), r2))
        ++h;
    while (OutsideIris(dy2 + h * h, r2))
        --h;
    const int leftEnd = CentreX - h > 0 ? CentreX - h : 0;
    const int rightStart = CentreX + h + 1 < ScreenWidth ? CentreX + h + 1 : ScreenWidth;
    std::memcpy(out, in, static_cast<std::size_t>(leftEnd) * 4);
    std::memcpy(out + rightStart, in + rightStart,
                static_cast<std::size_t>(ScreenWidth - rightStart) * 4);
}

void DrawIris(DWORD step, void (*row)(int, float))
{
    GfxDevice->Blt(SurfIris, SurfWarp);
    GfxDevice->Lock(SurfIris);
    GfxDevice->Lock(GfxDevice->BackBuffer);

    // Radius 0 at the first iris step, growing 5 pixels per step.
    const int r = IrisPixelsPerStep * static_cast<int>(step) -
                  IrisPixelsPerStep * static_cast<int>(IrisFirstStep);
    const float r2 = static_cast<float>(r * r);
    for (int y = 0; y < ScreenHeight; ++y)
        row(y, r2);

    GfxDevice->UnLock(SurfIris);
    GfxDevice->UnLock(GfxDevice->BackBuffer);
}

} // namespace

void IrisWipe(DWORD step)
{
    DrawIris(step, IrisRow);
}

void IrisWipePerPixel(DWORD step)
{
    DrawIris(step, IrisRowPerPixel);
}

void Scroller(DWORD step)
{
    // Strip row o at the top of the screen; the 300-row window never passes strip row 1198.
    const LONG o = static_cast<LONG>((step - ScrollFirstStep) % ScrollPeriod);
    const RECT screen = {0, 0, ScreenWidth, ScreenHeight};
    const RECT window = {0, o, 400, o + 300};
    GfxDevice->Blt(screen, GfxDevice->BackBuffer, window, SurfStrip);
}
