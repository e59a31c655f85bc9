#include "gfx/VornGFX.h"

#include "gfx/JpegDecoder.h"
#include "gfx/PixelKernels.h"
#include "platform/Text.h"
#include "platform/sys/Video.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(VORN_DEVICE_CHECKS)
void VornCheckFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: graphics device check failed: %s\n", file, line, what);
    std::abort();
}
#endif

namespace
{

IDirectDrawSurface7* NewSurface(unsigned short w, unsigned short h)
{
    auto* s = new IDirectDrawSurface7;
    s->Width = w;
    s->Height = h;
    s->Pitch = 4L * w;
    s->Pixels.reset(new std::uint32_t[std::size_t{w} * h]());
    return s;
}

std::uint32_t* Row(IDirectDrawSurface7* s, long y)
{
    return s->Pixels.get() + y * (s->Pitch / 4);
}

// Nearest-neighbour stretch with pixel-centre sampling, per axis: destination offset d takes
// source offset ((2d + 1) * srcSpan) / (2 * dstSpan), stepped incrementally as a quotient and a
// remainder. Columns are mapped once per call into a table of source columns; rows that repeat
// the previous source row are copied whole, so an enlargement costs little more than a copy.
// A row of an exact 2x enlargement doubles every pixel; any other row gathers its pixels
// through the table.
long StepIndex(long& q, long& r, long srcSpan, long dstSpan)
{
    const long now = q;
    r += 2 * srcSpan;
    while (r >= 2 * dstSpan)
    {
        r -= 2 * dstSpan;
        ++q;
    }
    return now;
}

void Stretch(IDirectDrawSurface7* dest, const RECT& d, IDirectDrawSurface7* src, const RECT& s)
{
    const long dw = d.right - d.left, dh = d.bottom - d.top;
    const long sw = s.right - s.left, sh = s.bottom - s.top;

    constexpr long MapSize = 8 * MostPlannedGroups;
    std::uint16_t columns[MapSize];
    GatherPlan plan;
    const bool mapped = dw <= MapSize && sw != dw && dw != 2 * sw;
    if (mapped)
    {
        StretchOffsets(sw, dw, dw, columns);
        PlanGather(columns, static_cast<int>(sw), static_cast<int>(dw), plan);
    }

    long prevSy = -1;
    const std::uint32_t* prevRow = nullptr;
    long yq = sh / (2 * dh), yr = sh % (2 * dh);
    for (long dy = 0; dy < dh; ++dy)
    {
        const long sy = s.top + StepIndex(yq, yr, sh, dh);
        std::uint32_t* out = Row(dest, d.top + dy) + d.left;
        const std::uint32_t* in = Row(src, sy) + s.left;
        if (sy == prevSy)
            std::memcpy(out, prevRow, static_cast<std::size_t>(dw) * 4);
        else if (sw == dw)
            std::memcpy(out, in, static_cast<std::size_t>(dw) * 4);
        else if (dw == 2 * sw)
            DoubleRow(in, static_cast<int>(sw), out);
        else if (mapped)
            GatherRow(in, plan, out);
        else
        {
            long q = sw / (2 * dw), r = sw % (2 * dw);
            for (long dx = 0; dx < dw; ++dx)
                out[dx] = in[StepIndex(q, r, sw, dw)];
        }
        prevSy = sy;
        prevRow = out;
    }
}

} // namespace

void StretchOffsets(long srcSpan, long dstSpan, long count, std::uint16_t* offsets)
{
    long q = srcSpan / (2 * dstSpan), r = srcSpan % (2 * dstSpan);
    for (long d = 0; d < count; ++d)
        offsets[d] = static_cast<std::uint16_t>(StepIndex(q, r, srcSpan, dstSpan));
}

namespace
{

bool Inside(const RECT& r, const IDirectDrawSurface7* s)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           r.right <= s->Width && r.bottom <= s->Height;
}

} // namespace

VornGFX::VornGFX(unsigned short screenX, unsigned short screenY, unsigned char bpp,
                 unsigned short /*windowed*/, unsigned char /*bufferCount*/)
    : ScreenX(screenX), ScreenY(screenY), Bpp(bpp)
{
    // Frames are always kept as 32-bit pixels; the display shows them at its own depth.
    BackBuffer = NewSurface(screenX, screenY);
    presenting_ = sys::OpenVideo(screenX, screenY);
    ++devicesAlive_;
}

VornGFX::~VornGFX()
{
    if (presenting_)
        sys::CloseVideo();
    for (IDirectDrawSurface7*& s : live_)
    {
        if (s != nullptr) // a surface its creator never released
            ++surfacesNeverReleased_;
        delete s;
        s = nullptr;
    }
    delete BackBuffer;
    --devicesAlive_;
}

bool VornGFX::Owns(const IDirectDrawSurface7* surface) const
{
    if (surface == nullptr)
        return false;
    if (surface == BackBuffer)
        return true;
    return std::find(std::begin(live_), std::end(live_), surface) != std::end(live_);
}

int VornGFX::CreateSurface(unsigned short w, unsigned short h, IDirectDrawSurface7** out)
{
    if (out == nullptr || w == 0 || h == 0)
        return -1;
    auto slot = std::find(std::begin(live_), std::end(live_), nullptr);
    if (slot == std::end(live_))
        return -1;
    *slot = NewSurface(w, h);
    ++liveCount_;
    *out = *slot;
    return 0;
}

int VornGFX::ReleaseSurface(IDirectDrawSurface7* surface)
{
    auto slot = std::find(std::begin(live_), std::end(live_), surface);
    if (surface == nullptr || slot == std::end(live_))
        return -1; // not ours, or released already
    VORN_CHECK(!surface->Locked, "ReleaseSurface of a locked surface");
    delete surface;
    *slot = nullptr;
    --liveCount_;
    return 0;
}

void VornGFX::LoadJPEG(const char* file, IDirectDrawSurface7* surface)
{
    if (!Owns(surface) || file == nullptr)
        return;
    DecodedPicture picture;
    std::string error;
    if (!DecodeJpegFile(file, picture, error))
    {
        std::fprintf(stderr, "%s: cannot load picture \"%s\": %s\n", text::ProgramName(), file,
                     error.c_str());
        return;
    }
    // The decoded picture as a temporary surface, stretched onto the whole target.
    IDirectDrawSurface7 decoded;
    decoded.Width = static_cast<unsigned short>(picture.width);
    decoded.Height = static_cast<unsigned short>(picture.height);
    decoded.Pitch = 4L * picture.width;
    decoded.Pixels = std::move(picture.pixels);
    const RECT all = {0, 0, surface->Width, surface->Height};
    const RECT whole = {0, 0, decoded.Width, decoded.Height};
    Stretch(surface, all, &decoded, whole);
}

void VornGFX::ClearSurf(unsigned char r, unsigned char g, unsigned char b,
                        IDirectDrawSurface7* surface)
{
    ClearSurf(Pack(r, g, b), surface);
}

void VornGFX::ClearSurf(unsigned long pixel, IDirectDrawSurface7* surface)
{
    if (!Owns(surface))
        return;
    FillRow(surface->Pixels.get(), surface->Width * surface->Height,
            static_cast<std::uint32_t>(pixel));
}

void VornGFX::Blt(IDirectDrawSurface7* dest, IDirectDrawSurface7* src)
{
    if (!Owns(dest) || !Owns(src))
        return;
    Blt(RECT{0, 0, dest->Width, dest->Height}, dest, RECT{0, 0, src->Width, src->Height}, src);
}

void VornGFX::Blt(RECT destRect, IDirectDrawSurface7* dest, RECT srcRect, IDirectDrawSurface7* src)
{
    if (!Owns(dest) || !Owns(src))
        return;
    VORN_CHECK(!dest->Locked && !src->Locked, "Blt with a locked surface");
    VORN_CHECK(Inside(destRect, dest) && Inside(srcRect, src), "Blt rectangle outside its surface");
    if (!Inside(destRect, dest) || !Inside(srcRect, src) || dest == src)
        return;
    Stretch(dest, destRect, src, srcRect);
}

void VornGFX::Lock(IDirectDrawSurface7* surface)
{
    if (!Owns(surface))
        return;
    VORN_CHECK(!surface->Locked, "Lock of a surface that is locked already");
    auto slot = std::find(std::begin(locked_), std::end(locked_), nullptr);
    VORN_CHECK(slot != std::end(locked_), "more than three surfaces locked at once");
    if (surface->Locked || slot == std::end(locked_))
        return;
    *slot = surface;
    surface->Locked = true;
    auto* base = reinterpret_cast<unsigned char*>(surface->Pixels.get());
    if (surface == BackBuffer)
    {
        LockedBackPtr = base;
        LockedBackPitch = surface->Pitch;
    }
    else
    {
        LockedSurfPtr = base;
        LockedSurfPitch = surface->Pitch;
    }
}

void VornGFX::UnLock(IDirectDrawSurface7* surface)
{
    if (!Owns(surface))
        return;
    VORN_CHECK(surface->Locked, "UnLock of a surface that is not locked");
    auto slot = std::find(std::begin(locked_), std::end(locked_), surface);
    if (slot != std::end(locked_))
        *slot = nullptr;
    surface->Locked = false;
}

void VornGFX::Flip()
{
    VORN_CHECK(!BackBuffer->Locked, "Flip while the back buffer is locked");
    if (presenting_)
        sys::PresentFrame(BackBuffer->Pixels.get(), BackBuffer->Pitch);
}

void VornGFX::CheckPixel(unsigned short x, unsigned short y, const unsigned char* base,
                         long pitch) const
{
    (void)x, (void)y, (void)pitch;
    for (const IDirectDrawSurface7* s : locked_)
    {
        if (s != nullptr && reinterpret_cast<const unsigned char*>(s->Pixels.get()) == base)
        {
            VORN_CHECK(pitch == s->Pitch, "pixel access with another surface's pitch");
            VORN_CHECK(x < s->Width && y < s->Height, "pixel outside its surface");
            return;
        }
    }
    VORN_CHECK(false, "pixel access to a surface that is not locked");
}
