// Shared set-up of the effect tests: a headless device, the surfaces a test asks for, filled
// with pictures in which every pixel differs, so that a wrong row or column shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "show/ShowState.h"
#include "support/PixelCheck.h"

namespace effecttest
{

// Distinct for every pixel of a w-wide picture (the low 24 bits run through a bijection of the
// index), never black, and 0x80 in bits 24-31, which the channel forms of the device write as 0.
inline std::uint32_t Pattern(int x, int y, int w, std::uint32_t seed)
{
    const std::uint32_t low =
        ((static_cast<std::uint32_t>(y * w + x) + seed) * 2654435761u) & 0xFFFFFFu;
    return 0x80000000u | (low == 0 ? 0x010101u : low);
}

using pixelcheck::ExpectPicture;
using pixelcheck::Picture;

class EffectTest : public ::testing::Test
{
  protected:
    void SetUp() override { GfxDevice = new VornGFX(800, 600, 32, 1, 2); }
    void TearDown() override
    {
        EXPECT_FALSE(GfxDevice->BackBuffer->Locked);
        for (IDirectDrawSurface7** global : made_)
        {
            EXPECT_FALSE((*global)->Locked) << "a surface was left locked";
            GfxDevice->ReleaseSurface(std::exchange(*global, nullptr));
        }
        delete std::exchange(GfxDevice, nullptr);
    }

    // A w x h surface in one of the demo's globals, filled with Pattern(seed); released in
    // TearDown.
    void Make(IDirectDrawSurface7** global, unsigned short w, unsigned short h, std::uint32_t seed)
    {
        GfxDevice->CreateSurface(w, h, global);
        made_.push_back(global);
        Fill(*global, [&](int x, int y) { return Pattern(x, y, w, seed); });
    }
    template <typename F> static void Fill(IDirectDrawSurface7* s, F pixelAt)
    {
        for (int y = 0; y < s->Height; ++y)
            for (int x = 0; x < s->Width; ++x)
                s->Pixels[y * s->Pitch / 4 + x] = pixelAt(x, y);
    }
    static Picture Read(const IDirectDrawSurface7* s) { return pixelcheck::Read(s); }

  private:
    std::vector<IDirectDrawSurface7**> made_;
};

} // namespace effecttest
