// The pulsing blend: SurfJ1 cross-faded with a second picture along a cosine, at the pictures'
// size, into SurfBlend.
#include "effects/PulsingBlend.h"

#include <cmath>

#include "shell/Demo.h"
#include "timeline/Schedule.h"

namespace
{
constexpr int PictureWidth = 400;
constexpr int PictureHeight = 300;
} // namespace

void PulsingBlend(DWORD step)
{
    const DWORD k = step - BlendFirstStep; // 0 .. 214
    // Share of SurfJ1: 1 at the start, a period of 8 pi steps; held in single precision.
    const float w = static_cast<float>((std::cos(static_cast<double>(k) * 0.25) + 1.0) * 0.5);

    GfxDevice->Lock(SurfJ1);
    unsigned char* const firstPixels = GfxDevice->LockedSurfPtr;
    const long firstPitch = GfxDevice->LockedSurfPitch;
    IDirectDrawSurface7* const second = step < BlendJ3FirstStep ? SurfJ2 : SurfJ3;
    GfxDevice->Lock(second);
    unsigned char* const secondPixels = GfxDevice->LockedSurfPtr;
    const long secondPitch = GfxDevice->LockedSurfPitch;
    GfxDevice->Lock(SurfBlend);

    unsigned long a = 0;
    unsigned long s = 0;
    for (int y = 0; y < PictureHeight; ++y)
    {
        for (int x = 0; x < PictureWidth; ++x)
        {
            GfxDevice->GetPixel32(x, y, &a, firstPixels, firstPitch);
            GfxDevice->GetPixel32(x, y, &s, secondPixels, secondPitch);
            unsigned char blended[3];
            for (int c = 0; c < 3; ++c)
            {
                const int shift = 16 - 8 * c; // red, green, blue
                const int firstChannel = static_cast<int>((a >> shift) & 0xFF);
                const int secondChannel = static_cast<int>((s >> shift) & 0xFF);
                // Truncating toward zero leans every result toward the second picture, so it
                // stays between the two channels.
                const int t =
                    static_cast<int>((firstChannel - secondChannel) * static_cast<double>(w));
                blended[c] = static_cast<unsigned char>(secondChannel + t);
            }
            GfxDevice->PutPixel32(x, y, blended[0], blended[1], blended[2],
                                  GfxDevice->LockedSurfPtr, GfxDevice->LockedSurfPitch);
        }
    }

    GfxDevice->UnLock(SurfJ1);
    GfxDevice->UnLock(second);
    GfxDevice->UnLock(SurfBlend);
    GfxDevice->Blt(GfxDevice->BackBuffer, SurfBlend);
}
