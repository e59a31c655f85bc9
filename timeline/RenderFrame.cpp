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
#include "timeline/Schedule.h"

DWORD DemoStep = 0;

void RenderFrame()
{
    // Unsigned difference: a tick counter that wraps through zero still gives elapsed time.
    const DWORD elapsed = GetTickCount() - StartTick;
    // Times 0.02 in double precision, truncated: elapsed / StepMilliseconds, rounded down.
    DemoStep = static_cast<DWORD>(static_cast<double>(elapsed) * 0.02);

    GfxDevice->ClearSurf(0, 0, 0, GfxDevice->BackBuffer);

    if (DemoStep <= WipeLastStep)
        RevealWipe(DemoStep);
    else if (DemoStep <= FadeLastStep)
        FadeToBlack(DemoStep);
    else if (DemoStep <= BlobLastStep)
        DrawBlobField(DemoStep);

    if (DemoStep >= BlendFirstStep && DemoStep <= BlendLastStep)
        PulsingBlend(DemoStep);
    if (DemoStep >= WarpFirstStep && DemoStep <= WarpLastStep)
        SineRowWarp(DemoStep);
    if (DemoStep >= CubesFirstStep && DemoStep <= CubesLastStep)
        DrawCubes();
    if (DemoStep >= IrisFirstStep && DemoStep <= IrisLastStep)
        IrisWipe(DemoStep);
    if (DemoStep >= ScrollFirstStep)
        Scroller(DemoStep);

    GfxDevice->Flip();
}
