// The graphics device: locking, stretching blits, clears and JPEG loading, and the pixel kernels
// beneath them.
#include "gfx/PixelKernels.h"
#include "gfx/VornGFX.h"
#include "support/PictureFiles.h"
#include "support/PixelCheck.h"
#include "support/TestAssets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

namespace
{
using pixelcheck::ExpectPicture;
using pixelcheck::Read;

class Device : public ::testing::Test
{
  protected:
    VornGFX gfx{800, 600, 32, 1, 2};

    IDirectDrawSurface7* Surface(unsigned short w, unsigned short h)
    {
        IDirectDrawSurface7* s = nullptr;
        EXPECT_EQ(gfx.CreateSurface(w, h, &s), 0);
        return s;
    }
    // Fills a surface with a pattern in which every pixel differs.
    static void Number(IDirectDrawSurface7* s)
    {
        for (int y = 0; y < s->Height; ++y)
            for (int x = 0; x < s->Width; ++x)
                s->Pixels[y * s->Width + x] =
                    static_cast<std::uint32_t>(y * 4096 + x) | 0xAB000000u;
    }
    static std::uint32_t At(const IDirectDrawSurface7* s, int x, int y)
    {
        return s->Pixels[y * (s->Pitch / 4) + x];
    }
    // The stretch rule: destination offset d samples source offset ((2d + 1) * src) / (2 * dst).
    static int Sample(int d, int src, int dst) { return ((2 * d + 1) * src) / (2 * dst); }
};

TEST_F(Device, NewSurfacesAreBlackAndClearsFillEveryPixel)
{
    IDirectDrawSurface7* s = Surface(37, 11);
    ExpectPicture(Read(s), [](int, int) { return 0L; });
    gfx.ClearSurf(1, 2, 3, s);
    ExpectPicture(Read(s), [](int, int) { return 0x010203L; });
}

// Whole-surface stretches of every kind the kernels tell apart, at every kernel level: exact
// doubling, enlargement (a permutation of 8 source pixels), shrinking by less than 2 (of 16,
// 8 source pixels apart at 1.2) and by more (a gather), with row lengths that leave tails.
struct StretchCase
{
    unsigned short sw, sh, dw, dh;
};

class Stretching : public Device, public ::testing::WithParamInterface<StretchCase>
{
};

TEST_P(Stretching, SamplesPixelCentresAndCopiesAll32Bits)
{
    const StretchCase c = GetParam();
    IDirectDrawSurface7* src = Surface(c.sw, c.sh);
    IDirectDrawSurface7* dst = Surface(c.dw, c.dh);
    Number(src);
    pixelcheck::AtEveryKernelLevel(
        [&]
        {
            gfx.ClearSurf(0ul, dst);
            gfx.Blt(dst, src);
            ExpectPicture(Read(dst), [&](int x, int y)
                          { return long{At(src, Sample(x, c.sw, c.dw), Sample(y, c.sh, c.dh))}; });
        });
}

INSTANTIATE_TEST_SUITE_P(
    Device, Stretching,
    ::testing::Values(StretchCase{400, 300, 800, 600}, StretchCase{300, 300, 800, 600},
                      StretchCase{37, 11, 101, 23}, StretchCase{400, 300, 250, 300},
                      StretchCase{120, 7, 100, 5}, StretchCase{300, 300, 7, 5}));

// The blend's weights against the formula, for every channel difference and many weights, at
// every kernel level (the fade scales the same way): channel values a and s run through all
// 65536 pairs, in a different order in each channel.
TEST_F(Device, ChannelWeightsGiveTheTruncatedDoubleProductForAnyWeight)
{
    std::vector<float> weights = {0.0f, 1.0f, 0.5f, 0x1p-9f, 0x1p-8f, 0.99999994f, 0.0029351620f};
    std::mt19937 random(7);
    for (int i = 0; i < 40; ++i)
        weights.push_back(std::uniform_real_distribution<float>(0.0f, 1.0f)(random));
    std::vector<std::uint32_t> first(65536), second(65536), out(65536);
    const auto channels = [](unsigned a, unsigned b, unsigned c)
    { return (a << 16 | b << 8 | c) | 0xC3000000u; };
    for (unsigned i = 0; i < 65536; ++i)
    {
        const unsigned a = i >> 8, s = i & 255;
        first[i] = channels(a, s, a ^ 0x5A);
        second[i] = channels(s, a, s ^ 0xA5);
    }
    for (float w : weights)
    {
        ChannelWeight weight;
        SetChannelWeight(weight, w);
        SCOPED_TRACE(::testing::Message() << "weight " << w);
        EXPECT_TRUE(weight.fixedAgrees);
        pixelcheck::Picture expected{256, 256, std::vector<std::uint32_t>(65536, 0)};
        for (unsigned i = 0; i < 65536; ++i)
        {
            for (int shift = 16; shift >= 0; shift -= 8)
            {
                const int a = first[i] >> shift & 255, s = second[i] >> shift & 255;
                const int blended = s + static_cast<int>((a - s) * double{w});
                expected.p[i] |= static_cast<std::uint32_t>(blended) << shift;
            }
        }
        pixelcheck::AtEveryKernelLevel(
            [&]
            {
                BlendRow(first.data(), second.data(), 65536, weight, out.data());
                ExpectPicture(pixelcheck::Picture{256, 256, out}, expected);
            });
    }
}

TEST_F(Device, RefusesRectanglesOutsideTheirSurfaces)
{
    IDirectDrawSurface7* src = Surface(400, 300);
    Number(src);
    gfx.ClearSurf(0x777777ul, gfx.BackBuffer);
#if !defined(VORN_DEVICE_CHECKS)
    gfx.Blt(RECT{0, 0, 800, 600}, gfx.BackBuffer, RECT{0, 200, 400, 301}, src);
    gfx.Blt(RECT{0, 0, 801, 600}, gfx.BackBuffer, RECT{0, 0, 400, 300}, src);
    gfx.Blt(RECT{-1, 0, 800, 600}, gfx.BackBuffer, RECT{0, 0, 400, 300}, src);
    gfx.Blt(RECT{10, 10, 10, 20}, gfx.BackBuffer, RECT{0, 0, 400, 300}, src);
    EXPECT_EQ(At(gfx.BackBuffer, 0, 0), 0x777777u);
#else
    EXPECT_DEATH(gfx.Blt(RECT{0, 0, 800, 600}, gfx.BackBuffer, RECT{0, 200, 400, 301}, src),
                 "outside");
#endif
}

TEST_F(Device, CountsSurfacesAndRefusesDoubleRelease)
{
    IDirectDrawSurface7* a = Surface(4, 4);
    IDirectDrawSurface7* b = Surface(4, 4);
    EXPECT_EQ(gfx.LiveSurfaces(), 2);
    EXPECT_EQ(gfx.ReleaseSurface(a), 0);
    EXPECT_EQ(gfx.ReleaseSurface(a), -1);
    EXPECT_EQ(gfx.ReleaseSurface(gfx.BackBuffer), -1);
    EXPECT_EQ(gfx.LiveSurfaces(), 1);
    EXPECT_EQ(gfx.ReleaseSurface(b), 0);
    EXPECT_EQ(gfx.LiveSurfaces(), 0);
}

#if defined(VORN_DEVICE_CHECKS)
TEST_F(Device, ChecksCatchBrokenConventions)
{
    IDirectDrawSurface7* a = Surface(10, 10);
    gfx.Lock(a);
    EXPECT_DEATH(gfx.Lock(a), "locked already");
    EXPECT_DEATH(gfx.Blt(gfx.BackBuffer, a), "locked");
    unsigned long p;
    EXPECT_DEATH(gfx.GetPixel32(10, 0, &p, gfx.LockedSurfPtr, gfx.LockedSurfPitch), "outside");
    gfx.UnLock(a);
    EXPECT_DEATH(gfx.PutPixel32(0, 0, 0ul, reinterpret_cast<unsigned char*>(a->Pixels.get()), 40),
                 "not locked");
    gfx.Lock(gfx.BackBuffer);
    EXPECT_DEATH(gfx.Flip(), "Flip");
    gfx.UnLock(gfx.BackBuffer);
}
#endif

// JPEG loading, with pictures made here.
class Loading : public Device
{
  protected:
    testassets::ScratchDir dir{"jpeg"};
    std::string path = dir / "blocks.jpg";
};

// 8x8 blocks of flat grey, which survive JPEG at quality 100 exactly, and (blocks 1 and 2) red
// and blue, which show the channel order.
std::uint32_t Blocks(int x, int y)
{
    const unsigned block = (y / 8) * 8 + x / 8, g = block * 37 & 0xFF;
    return block == 1 ? 0xFF0000 : block == 2 ? 0x0000FF : (g << 16) | (g << 8) | g;
}

// What a decoded pixel must be: the grey exactly; the colours are checked apart.
long Exact(int x, int y)
{
    const std::uint32_t c = Blocks(x, y);
    return (c >> 16) == (c & 0xFF) ? long{c} : -1L;
}

// A picture of the surface's size is decoded exactly, one of another size stretched onto it.
TEST_F(Loading, DecodesAndStretchesOntoTheWholeSurface)
{
    testassets::WriteFile(path, picturefiles::MakeJpeg(64, 32, Blocks, "Baseline", 100));
    IDirectDrawSurface7* s = Surface(64, 32);
    gfx.LoadJPEG(path.c_str(), s);
    ExpectPicture(Read(s), Exact);
    const std::uint32_t red = At(s, 12, 4), blue = At(s, 20, 4);
    EXPECT_TRUE((red >> 16 & 0xFF) > 240 && (red & 0xFFFF) < 0x1010) << std::hex << red;
    EXPECT_TRUE((blue & 0xFF) > 240 && blue >> 8 < 0x1010) << std::hex << blue;

    IDirectDrawSurface7* large = Surface(128, 96);
    gfx.LoadJPEG(path.c_str(), large);
    ExpectPicture(Read(large),
                  [](int x, int y) { return Exact(Sample(x, 64, 128), Sample(y, 32, 96)); });
}

} // namespace
