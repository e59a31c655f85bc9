// Pixel checks shared by the tests that draw: a surface read back as a picture, compared pixel
// by pixel with a rule or another picture, and a drawing run at every kernel level.
#pragma once

#include "gfx/PixelKernels.h"
#include "gfx/VornGFX.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pixelcheck
{

// A copy of a surface's pixels.
struct Picture
{
    int w = 0, h = 0;
    std::vector<std::uint32_t> p;
    std::uint32_t operator()(int x, int y) const { return p[static_cast<std::size_t>(y) * w + x]; }
};

inline Picture Read(const IDirectDrawSurface7* s)
{
    Picture picture{s->Width, s->Height, {}};
    for (int y = 0; y < s->Height; ++y)
        picture.p.insert(picture.p.end(), &s->Pixels[y * s->Pitch / 4],
                         &s->Pixels[y * s->Pitch / 4 + s->Width]);
    return picture;
}

// Every pixel of `actual` against expected(x, y), except where that is negative; the first few
// that differ are reported.
template <typename F> void ExpectPicture(const Picture& actual, const F& expected)
{
    int wrong = 0;
    for (int y = 0; y < actual.h; ++y)
    {
        for (int x = 0; x < actual.w; ++x)
        {
            const long long e = expected(x, y);
            if (e >= 0 && actual(x, y) != e && ++wrong <= 3)
            {
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << actual(x, y)
                              << ", expected " << e;
            }
        }
    }
}

// Runs draw() at every kernel level the processor offers, the level named in any failure, and
// leaves the best level chosen.
template <typename F> void AtEveryKernelLevel(F draw)
{
    for (int level = 0; level <= BestPixelKernelLevel(); ++level)
    {
        SCOPED_TRACE("kernel level " + std::to_string(level));
        PixelKernelLevel = level;
        draw();
    }
    PixelKernelLevel = BestPixelKernelLevel();
}

} // namespace pixelcheck
