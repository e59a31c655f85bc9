// The graphics device: locking, stretching blits, clears and JPEG loading.
#include "gfx/VornGFX.h"
#include "support/TestAssets.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

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

TEST_F(Device, PublishesTheBackBufferAndSurfacePairsSeparately)
{
    EXPECT_EQ(gfx.GetScreenX(), 800);
    EXPECT_EQ(gfx.GetScreenY(), 600);
    EXPECT_EQ(gfx.GetBpp(), 32u);
    IDirectDrawSurface7* a = Surface(400, 300);
    IDirectDrawSurface7* b = Surface(300, 300);

    gfx.Lock(a);
    unsigned char* aPtr = gfx.LockedSurfPtr;
    EXPECT_EQ(gfx.LockedSurfPitch, 1600);
    gfx.Lock(b); // replaces the surface pair, not the back buffer's
    EXPECT_NE(gfx.LockedSurfPtr, aPtr);
    EXPECT_EQ(gfx.LockedSurfPitch, 1200);
    gfx.Lock(gfx.BackBuffer);
    EXPECT_EQ(gfx.LockedBackPitch, 3200);
    EXPECT_EQ(gfx.LockedSurfPitch, 1200);

    // Pixel operations address any locked surface through its own pair.
    gfx.PutPixel32(399, 299, 10, 20, 30, aPtr, 1600);
    gfx.PutPixel32(799, 599, 0x123456ul, gfx.LockedBackPtr, gfx.LockedBackPitch);
    unsigned char r, g, bl;
    gfx.GetPixel32(399, 299, &r, &g, &bl, aPtr, 1600);
    EXPECT_EQ(r, 10);
    EXPECT_EQ(g, 20);
    EXPECT_EQ(bl, 30);
    unsigned long packed = 0;
    gfx.GetPixel32(799, 599, &packed, gfx.LockedBackPtr, gfx.LockedBackPitch);
    EXPECT_EQ(packed, 0x123456ul);
    EXPECT_EQ(At(a, 399, 299), 0x0A141Eu);
    gfx.UnLock(a);
    gfx.UnLock(b);
    gfx.UnLock(gfx.BackBuffer);
}

TEST_F(Device, NewSurfacesAreBlackAndClearsFillEveryPixel)
{
    IDirectDrawSurface7* s = Surface(37, 11);
    for (int i = 0; i < 37 * 11; ++i)
        ASSERT_EQ(s->Pixels[i], 0u);
    gfx.ClearSurf(1, 2, 3, s);
    EXPECT_EQ(At(s, 0, 0), 0x010203u);
    EXPECT_EQ(At(s, 36, 10), 0x010203u);
    gfx.ClearSurf(0xFFFFFFFFul, s);
    EXPECT_EQ(At(s, 36, 10), 0xFFFFFFFFu); // the packed form keeps all 32 bits
}

TEST_F(Device, DoublingBltRepeatsEveryPixelTwiceAndCopiesAll32Bits)
{
    IDirectDrawSurface7* src = Surface(400, 300);
    Number(src);
    gfx.Blt(gfx.BackBuffer, src);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            ASSERT_EQ(At(gfx.BackBuffer, x, y), At(src, x / 2, y / 2)) << x << "," << y;
}

TEST_F(Device, UnevenBltSamplesPixelCentres)
{
    IDirectDrawSurface7* src = Surface(300, 300);
    Number(src);
    gfx.Blt(gfx.BackBuffer, src);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            ASSERT_EQ(At(gfx.BackBuffer, x, y), At(src, Sample(x, 300, 800), Sample(y, 300, 600)));
    // A few columns worked out by hand: 0,1 -> 0; 2 -> 0 (5*300/1600 = 0); 3 -> 1; 799 -> 299.
    EXPECT_EQ(At(gfx.BackBuffer, 2, 0), At(src, 0, 0));
    EXPECT_EQ(At(gfx.BackBuffer, 3, 0), At(src, 1, 0));
    EXPECT_EQ(At(gfx.BackBuffer, 799, 599), At(src, 299, 299));

    // Shrinking follows the same rule.
    IDirectDrawSurface7* small = Surface(7, 5);
    gfx.Blt(small, src);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(At(small, x, y), At(src, Sample(x, 300, 7), Sample(y, 300, 5)));
}

TEST_F(Device, RectangleBltTouchesOnlyItsDestinationRectangle)
{
    IDirectDrawSurface7* strip = Surface(400, 1200);
    IDirectDrawSurface7* src = Surface(400, 600);
    Number(src);
    gfx.ClearSurf(0x00FF00FFul, strip);
    gfx.Blt(RECT{0, 300, 400, 900}, strip, RECT{0, 0, 400, 600}, src); // 1:1
    EXPECT_EQ(At(strip, 5, 299), 0x00FF00FFu);
    EXPECT_EQ(At(strip, 5, 300), At(src, 5, 0));
    EXPECT_EQ(At(strip, 399, 899), At(src, 399, 599));
    EXPECT_EQ(At(strip, 5, 900), 0x00FF00FFu);

    // A window of the strip stretched over the back buffer, from a source offset.
    gfx.Blt(RECT{0, 0, 800, 600}, gfx.BackBuffer, RECT{0, 450, 400, 750}, strip);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 800; x += 3)
            ASSERT_EQ(At(gfx.BackBuffer, x, y), At(strip, x / 2, 450 + y / 2));
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
    std::string dir = testassets::MakeScratchDir("jpeg");
    ~Loading() override { std::filesystem::remove_all(dir); }

    std::string Path(const char* name) { return dir + "/" + name; }
};

// 8x8 blocks of flat grey survive JPEG at quality 100 exactly; the colour blocks show the
// channel order.
std::uint32_t Blocks(int x, int y)
{
    const int block = (y / 8) * 8 + x / 8;
    if (block == 1)
        return 0xFF0000;
    if (block == 2)
        return 0x0000FF;
    const unsigned g = static_cast<unsigned>(block * 37) & 0xFF;
    return (g << 16) | (g << 8) | g;
}

TEST_F(Loading, DecodesAPictureOfTheSurfaceSizeExactly)
{
    ASSERT_TRUE(testassets::WriteJpeg(Path("blocks.jpg"), 64, 32, Blocks, 100));
    IDirectDrawSurface7* s = Surface(64, 32);
    gfx.LoadJPEG(Path("blocks.jpg").c_str(), s);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
        {
            const int block = (y / 8) * 8 + x / 8;
            if (block == 1 || block == 2)
                continue;
            ASSERT_EQ(At(s, x, y), Blocks(x, y)) << x << "," << y;
        }
    const std::uint32_t red = At(s, 12, 4), blue = At(s, 20, 4);
    EXPECT_GT(red >> 16 & 0xFF, 240u);
    EXPECT_LT(red & 0xFFFF, 0x1010u);
    EXPECT_GT(blue & 0xFF, 240u);
    EXPECT_LT(blue >> 8, 0x1010u);
}

TEST_F(Loading, StretchesAPictureOfAnotherSizeOntoTheWholeSurface)
{
    ASSERT_TRUE(testassets::WriteJpeg(Path("small.jpg"), 64, 32, Blocks, 100));
    IDirectDrawSurface7* s = Surface(128, 96);
    gfx.LoadJPEG(Path("small.jpg").c_str(), s);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 128; ++x)
        {
            const int sx = Sample(x, 64, 128), sy = Sample(y, 32, 96);
            const int block = (sy / 8) * 8 + sx / 8;
            if (block != 1 && block != 2)
            {
                ASSERT_EQ(At(s, x, y), Blocks(sx, sy)) << x << "," << y;
            }
        }
}

} // namespace
