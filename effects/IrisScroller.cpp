// The closing segments: the iris that opens onto the cubes, and the endless credits scroller.
#include "effects/IrisScroller.h"

#include "shell/Demo.h"
#include "timeline/Schedule.h"

namespace
{
constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;
constexpr int CentreX = 400;
constexpr int CentreY = 300;
} // namespace

void IrisWipe(DWORD step)
{
    GfxDevice->Blt(SurfIris, SurfWarp);
    GfxDevice->Lock(SurfIris);
    GfxDevice->Lock(GfxDevice->BackBuffer);

    // Radius 0 at the first iris step, growing 5 pixels per step. The squared radius stays
    // below 2^24, so the float comparison is exact.
    const int r = IrisPixelsPerStep * static_cast<int>(step) -
                  IrisPixelsPerStep * static_cast<int>(IrisFirstStep);
    const float r2 = static_cast<float>(r * r);

    unsigned long colour = 0;
    for (int y = 0; y < ScreenHeight; ++y)
    {
        for (int x = 0; x < ScreenWidth; ++x)
        {
            const int d2 = (y - CentreY) * (y - CentreY) + (x - CentreX) * (x - CentreX);
            // Strictly outside: pixels on the circle keep the cube scene.
            if (static_cast<float>(d2) > r2)
            {
                GfxDevice->GetPixel32(x, y, &colour, GfxDevice->LockedSurfPtr,
                                      GfxDevice->LockedSurfPitch);
                GfxDevice->PutPixel32(x, y, colour, GfxDevice->LockedBackPtr,
                                      GfxDevice->LockedBackPitch);
            }
        }
    }

    GfxDevice->UnLock(SurfIris);
    GfxDevice->UnLock(GfxDevice->BackBuffer);
}

void Scroller(DWORD step)
{
    // Strip row o at the top of the screen; the 300-row window never passes strip row 1198.
    const LONG o = static_cast<LONG>((step - ScrollFirstStep) % ScrollPeriod);
    const RECT screen = {0, 0, ScreenWidth, ScreenHeight};
    const RECT window = {0, o, 400, o + 300};
    GfxDevice->Blt(screen, GfxDevice->BackBuffer, window, SurfStrip);
}
