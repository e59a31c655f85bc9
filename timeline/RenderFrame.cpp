// The frame sequencer: turns the clock into DemoStep and runs the segments that are due, in
// frame order. Every segment builds its picture from DemoStep alone, so a slow frame skips
// steps instead of slowing the show down.
#include "timeline/RenderFrame.h"

#include "cubes/CubeFrame.h"
#include "effects/BlobField.h"
#include "effects/IrisScroller.h"
#include "effects/PulsingBlend.h"
#include "effects/RevealWipe.h"
#include "effects/SineWarp.h"
#include "shell/Demo.h"

DWORD DemoStep = 0;

void RenderFrame()
{
    // Unsigned difference: a tick counter that wraps through zero still gives elapsed time.
    const DWORD elapsed = GetTickCount() - StartTick;
    DemoStep = static_cast<DWORD>(static_cast<double>(elapsed) * 0.02);

    GfxDevice->ClearSurf(0, 0, 0, GfxDevice->BackBuffer);

    if (DemoStep <= 200)
        RevealWipe(DemoStep);
    else if (DemoStep <= 249)
        FadeToBlack(DemoStep);
    else if (DemoStep <= 454)
        DrawBlobField(DemoStep);

    if (DemoStep >= 457 && DemoStep <= 671)
        PulsingBlend(DemoStep);
    if (DemoStep >= 672 && DemoStep <= 949)
        SineRowWarp(DemoStep);
    if (DemoStep >= 850 && DemoStep <= 1299)
        DrawCubes();
    if (DemoStep >= 850 && DemoStep <= 949)
        IrisWipe(DemoStep);
    if (DemoStep >= 1300)
        Scroller(DemoStep);

    GfxDevice->Flip();
}
