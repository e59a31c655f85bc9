// The opening segments. Both work at the picture's size, 400x300, and stretch their work
// surface over the whole BackBuffer. Each row is made by a row routine: the per-pixel one is
// the reference, the other does the same with row kernels.
#include "effects/RevealWipe.h"

#include <cstring>

#include "gfx/PixelKernels.h"
#include "show/Geometry.h"
#include "show/ShowState.h"
#include "timeline/Schedule.h"

namespace
{

// The locked picture, its pixels and pitch saved before the work surface was locked.
struct Source
{
    unsigned char* pixels;
    long pitch;
};

// Row y of the wipe into the surface locked last: the first `uncovered` pixels copied, the
// rest repeating the first hidden pixel, a streak from the edge.
void WipeRowPerPixel(int y, int uncovered, Source picture)
{
    unsigned long colour = 0;
    for (int x = 0; x < uncovered; ++x)
    {
        GfxDevice->GetPixel32(x, y, &colour, picture.pixels, picture.pitch);
        GfxDevice->PutPixel32(x, y, colour, GfxDevice->LockedSurfPtr, GfxDevice->LockedSurfPitch);
    }
    if (uncovered < PictureWidth)
    {
        GfxDevice->GetPixel32(uncovered, y, &colour, picture.pixels, picture.pitch);
        for (int x = uncovered; x < PictureWidth; ++x)
            GfxDevice->PutPixel32(x, y, colour, GfxDevice->LockedSurfPtr,
                                  GfxDevice->LockedSurfPitch);
    }
}

// The same row as one copy and one fill.
void WipeRow(int y, int uncovered, Source picture)
{
    const std::uint32_t* in =
        GfxDevice->PixelRun(0, y, PictureWidth, picture.pixels, picture.pitch);
    std::uint32_t* out = GfxDevice->PixelRun(0, y, PictureWidth, GfxDevice->LockedSurfPtr,
                                             GfxDevice->LockedSurfPitch);
    std::memcpy(out, in, static_cast<std::size_t>(uncovered) * 4);
    if (uncovered < PictureWidth)
        FillRow(out + uncovered, PictureWidth - uncovered, in[uncovered]);
}

void DrawWipe(DWORD step, void (*row)(int, int, Source))
{
    // Two picture columns per step: 0 at step 0, the whole picture at step 200.
    const int uncovered = static_cast<int>(2 * step);

    GfxDevice->Lock(SurfInitial);
    const Source picture = {GfxDevice->LockedSurfPtr, GfxDevice->LockedSurfPitch};
    GfxDevice->Lock(SurfWipe);
    for (int y = 0; y < PictureHeight; ++y)
        row(y, uncovered, picture);
    GfxDevice->UnLock(SurfInitial);
    GfxDevice->UnLock(SurfWipe);
    GfxDevice->Blt(GfxDevice->BackBuffer, SurfWipe);
}

// The fade's weights: w the picture's share in single precision from the single-precision 0.02,
// v the black surface's share; and, for the row kernels, the table of trunc(c * w).
struct FadeWeights
{
    float w;
    double v;
    ChannelWeight picture;
};

// Row y of the fade into the surface locked last: each channel the picture's times w plus the
// black surface's times v, truncated.
void FadeRowPerPixel(int y, Source picture, Source black, const FadeWeights& weights)
{
    unsigned long p = 0;
    unsigned long b = 0;
    for (int x = 0; x < PictureWidth; ++x)
    {
        GfxDevice->GetPixel32(x, y, &p, picture.pixels, picture.pitch);
        GfxDevice->GetPixel32(x, y, &b, black.pixels, black.pitch);
        unsigned char mixed[3];
        for (int c = 0; c < 3; ++c)
        {
            const int shift = 16 - 8 * c; // red, green, blue
            const unsigned int pictureChannel = (p >> shift) & 0xFF;
            const unsigned int blackChannel = (b >> shift) & 0xFF;
            mixed[c] = static_cast<unsigned char>(static_cast<int>(
                pictureChannel * static_cast<double>(weights.w) + blackChannel * weights.v));
        }
        GfxDevice->PutPixel32(x, y, mixed[0], mixed[1], mixed[2], GfxDevice->LockedSurfPtr,
                              GfxDevice->LockedSurfPitch);
    }
}

// The same row through the table: SurfBlack was cleared to black in this frame, so its channels
// add exactly 0.0 to every sum, and each channel c becomes trunc(c * w).
void FadeRow(int y, Source picture, Source /*black*/, const FadeWeights& weights)
{
    WeighRow(GfxDevice->PixelRun(0, y, PictureWidth, picture.pixels, picture.pitch), PictureWidth,
             weights.picture,
             GfxDevice->PixelRun(0, y, PictureWidth, GfxDevice->LockedSurfPtr,
                                 GfxDevice->LockedSurfPitch));
}

void DrawFade(DWORD step, void (*row)(int, Source, Source, const FadeWeights&))
{
    const DWORD k = step - WipeLastStep; // 1 .. 49
    FadeWeights weights;
    weights.w = static_cast<float>(1.0 - static_cast<double>(k) * static_cast<double>(0.02f));
    weights.v = 1.0 - static_cast<double>(weights.w);
    SetChannelWeight(weights.picture, weights.w);

    GfxDevice->ClearSurf(0, 0, 0, SurfBlack);

    GfxDevice->Lock(SurfInitial);
    const Source picture = {GfxDevice->LockedSurfPtr, GfxDevice->LockedSurfPitch};
    GfxDevice->Lock(SurfBlack);
    const Source black = {GfxDevice->LockedSurfPtr, GfxDevice->LockedSurfPitch};
    GfxDevice->Lock(SurfFade);
    for (int y = 0; y < PictureHeight; ++y)
        row(y, picture, black, weights);
    GfxDevice->UnLock(SurfInitial);
    GfxDevice->UnLock(SurfBlack);
    GfxDevice->UnLock(SurfFade);
    GfxDevice->Blt(GfxDevice->BackBuffer, SurfFade);
}

} // namespace

void RevealWipe(DWORD step)
{
    DrawWipe(step, WipeRow);
}

void RevealWipePerPixel(DWORD step)
{
    DrawWipe(step, WipeRowPerPixel);
}

void FadeToBlack(DWORD step)
{
    DrawFade(step, FadeRow);
}

void FadeToBlackPerPixel(DWORD step)
{
    DrawFade(step, FadeRowPerPixel);
}
