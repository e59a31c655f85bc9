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
#include "show/ShowState.h"
#include "timeline/Schedule.h"

namespace
{
// Whether the segments due at `step` write every pixel of BackBuffer: a whole-screen Blt (wipe,
// fade, blend, the warp while shown, scroller), the blob field, or the cube frame's own clear.
// The frame's clear could not show then, and is left out.
bool SegmentsCoverScreen(DWORD step)
{
    return step <= BlobLastStep || (step >= BlendFirstStep && step <= WarpShownLastStep) ||
           step >= CubesFirstStep;
}
} // namespace

void RenderFrame()
{
    // Unsigned difference: a tick counter that wraps through zero still gives elapsed time.
    const DWORD elapsed = GetTickCount() - StartTick;
    // Times 1 / StepMilliseconds in double precision, truncated: elapsed / StepMilliseconds,
    // rounded down.
    DemoStep = static_cast<DWORD>(static_cast<double>(elapsed) * StepsPerMillisecond);

    if (!SegmentsCoverScreen(DemoStep))
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
