// The pulsing blend: SurfJ1 cross-faded with a second picture along a cosine, at the pictures'
// size, into SurfBlend. Each row is made by a row routine: the per-pixel one is the reference,
// the other does the same with a row kernel.
#include "effects/PulsingBlend.h"

#include <cmath>

#include "gfx/PixelKernels.h"
#include "show/Geometry.h"
#include "show/ShowState.h"
#include "timeline/Schedule.h"

namespace
{

// The two locked pictures' pixels and pitches, and the weight: w, the share of SurfJ1 in single
// precision, and for the row kernel the table of trunc(d * w) for every channel difference d.
struct BlendFrame
{
    unsigned char* firstPixels;
    long firstPitch;
    unsigned char* secondPixels;
    long secondPitch;
    float w;
    ChannelWeight weight;
};

// Row y into SurfBlend, locked last: each channel the second picture's plus the difference to
// the first times w, truncated toward zero; that leans every result toward the second picture,
// so it stays between the two channels.
void BlendRowPerPixel(int y, const BlendFrame& f)
{
    unsigned long a = 0;
    unsigned long s = 0;
    for (int x = 0; x < PictureWidth; ++x)
    {
        GfxDevice->GetPixel32(x, y, &a, f.firstPixels, f.firstPitch);
        GfxDevice->GetPixel32(x, y, &s, f.secondPixels, f.secondPitch);
        unsigned char blended[3];
        for (int c = 0; c < 3; ++c)
        {
            const int shift = 16 - 8 * c; // red, green, blue
            const int firstChannel = static_cast<int>((a >> shift) & 0xFF);
            const int secondChannel = static_cast<int>((s >> shift) & 0xFF);
            const int t =
                static_cast<int>((firstChannel - secondChannel) * static_cast<double>(f.w));
            blended[c] = static_cast<unsigned char>(secondChannel + t);
        }
        GfxDevice->PutPixel32(x, y, blended[0], blended[1], blended[2], GfxDevice->LockedSurfPtr,
                              GfxDevice->LockedSurfPitch);
    }
}

// The same row with the differences' products looked up in the per-frame table (or its checked
// fixed-point form), made with the same double formula.
void BlendRowFast(int y, const BlendFrame& f)
{
    BlendRow(GfxDevice->PixelRun(0, y, PictureWidth, f.firstPixels, f.firstPitch),
             GfxDevice->PixelRun(0, y, PictureWidth, f.secondPixels, f.secondPitch), PictureWidth,
             f.weight,
             GfxDevice->PixelRun(0, y, PictureWidth, GfxDevice->LockedSurfPtr,
                                 GfxDevice->LockedSurfPitch));
}

void DrawBlend(DWORD step, void (*row)(int, const BlendFrame&))
{
    const DWORD k = step - BlendFirstStep; // 0 .. 214
    BlendFrame f;
    // Share of SurfJ1: 1 at the start, a period of 8 pi steps; held in single precision.
    f.w = static_cast<float>((std::cos(static_cast<double>(k) * 0.25) + 1.0) * 0.5);
    SetChannelWeight(f.weight, f.w);

    GfxDevice->Lock(SurfJ1);
    f.firstPixels = GfxDevice->LockedSurfPtr;
    f.firstPitch = GfxDevice->LockedSurfPitch;
    IDirectDrawSurface7* const second = step < BlendJ3FirstStep ? SurfJ2 : SurfJ3;
    GfxDevice->Lock(second);
    f.secondPixels = GfxDevice->LockedSurfPtr;
    f.secondPitch = GfxDevice->LockedSurfPitch;
    GfxDevice->Lock(SurfBlend);
    for (int y = 0; y < PictureHeight; ++y)
        row(y, f);
    GfxDevice->UnLock(SurfJ1);
    GfxDevice->UnLock(second);
    GfxDevice->UnLock(SurfBlend);
    GfxDevice->Blt(GfxDevice->BackBuffer, SurfBlend);
}

} // namespace

void PulsingBlend(DWORD step)
{
    DrawBlend(step, BlendRowFast);
}

void PulsingBlendPerPixel(DWORD step)
{
    DrawBlend(step, BlendRowPerPixel);
}
