// The opening segments. Both work at the picture's size, 400x300, and stretch their work
// surface over the whole BackBuffer.
#include "effects/RevealWipe.h"

#include "shell/Demo.h"
#include "timeline/Schedule.h"

namespace
{
constexpr int PictureWidth = 400;
constexpr int PictureHeight = 300;
} // namespace

void RevealWipe(DWORD step)
{
    // Two picture columns per step: 0 at step 0, the whole picture at step 200.
    const int uncovered = static_cast<int>(2 * step);

    GfxDevice->Lock(SurfInitial);
    unsigned char* const picturePixels = GfxDevice->LockedSurfPtr;
    const long picturePitch = GfxDevice->LockedSurfPitch;
    GfxDevice->Lock(SurfWipe);

    unsigned long colour = 0;
    for (int y = 0; y < PictureHeight; ++y)
    {
        for (int x = 0; x < uncovered; ++x)
        {
            GfxDevice->GetPixel32(x, y, &colour, picturePixels, picturePitch);
            GfxDevice->PutPixel32(x, y, colour, GfxDevice->LockedSurfPtr,
                                  GfxDevice->LockedSurfPitch);
        }
        // The hidden rest of the row repeats its first hidden pixel: a streak from the edge.
        if (uncovered < PictureWidth)
        {
            GfxDevice->GetPixel32(uncovered, y, &colour, picturePixels, picturePitch);
            for (int x = uncovered; x < PictureWidth; ++x)
                GfxDevice->PutPixel32(x, y, colour, GfxDevice->LockedSurfPtr,
                                      GfxDevice->LockedSurfPitch);
        }
    }

    GfxDevice->UnLock(SurfInitial);
    GfxDevice->UnLock(SurfWipe);
    GfxDevice->Blt(GfxDevice->BackBuffer, SurfWipe);
}

void FadeToBlack(DWORD step)
{
    const DWORD k = step - WipeLastStep; // 1 .. 49
    // Picture weight in single precision from the single-precision 0.02; the black surface
    // takes the rest.
    const float w = static_cast<float>(1.0 - static_cast<double>(k) * static_cast<double>(0.02f));
    const double v = 1.0 - static_cast<double>(w);

    GfxDevice->ClearSurf(0, 0, 0, SurfBlack);

    GfxDevice->Lock(SurfInitial);
    unsigned char* const picturePixels = GfxDevice->LockedSurfPtr;
    const long picturePitch = GfxDevice->LockedSurfPitch;
    GfxDevice->Lock(SurfBlack);
    unsigned char* const blackPixels = GfxDevice->LockedSurfPtr;
    const long blackPitch = GfxDevice->LockedSurfPitch;
    GfxDevice->Lock(SurfFade);

    unsigned long picture = 0;
    unsigned long black = 0;
    for (int y = 0; y < PictureHeight; ++y)
    {
        for (int x = 0; x < PictureWidth; ++x)
        {
            GfxDevice->GetPixel32(x, y, &picture, picturePixels, picturePitch);
            GfxDevice->GetPixel32(x, y, &black, blackPixels, blackPitch);
            unsigned char mixed[3];
            for (int c = 0; c < 3; ++c)
            {
                const int shift = 16 - 8 * c; // red, green, blue
                const unsigned int pictureChannel = (picture >> shift) & 0xFF;
                const unsigned int blackChannel = (black >> shift) & 0xFF;
                mixed[c] = static_cast<unsigned char>(
                    static_cast<int>(pictureChannel * static_cast<double>(w) + blackChannel * v));
            }
            GfxDevice->PutPixel32(x, y, mixed[0], mixed[1], mixed[2], GfxDevice->LockedSurfPtr,
                                  GfxDevice->LockedSurfPitch);
        }
    }

    GfxDevice->UnLock(SurfInitial);
    GfxDevice->UnLock(SurfBlack);
    GfxDevice->UnLock(SurfFade);
    GfxDevice->Blt(GfxDevice->BackBuffer, SurfFade);
}
