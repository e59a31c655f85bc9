// JPEG flavours that real picture files come in, decoded to the colours they were made from:
// progressive, greyscale, and four-component CMYK and YCCK as print software writes them.
#include "robustness/BadInputs.h"

#include "gfx/VornGFX.h"
#include "support/TestAssets.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

// 16x16 blocks of flat colour (whole MCUs even with 4:2:0 chroma), so that the colours survive
// compression at quality 100 almost exactly; saturated, dark, light and grey ones.
std::uint32_t Blocks(int x, int y)
{
    static const std::uint32_t colours[] = {
        0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0x000000, 0xFFFFFF,
        0x808080, 0x203040, 0xC08040, 0x40C080, 0x8040C0, 0xF0E0D0, 0x102030, 0x7F3F1F};
    return colours[((y / 16) * 4 + x / 16) % 16];
}

class JpegVariants : public ::testing::Test
{
  protected:
    VornGFX gfx{800, 600, 32, 1, 2};
    std::string dir = testassets::MakeScratchDir("variants");
    ~JpegVariants() override { std::filesystem::remove_all(dir); }

    // Loads the bytes as a picture file into a 64x64 surface; nothing may be printed.
    IDirectDrawSurface7* Load(const badinputs::Bytes& bytes)
    {
        const std::string path = dir + "/picture.jpg";
        badinputs::WriteFile(path, bytes);
        IDirectDrawSurface7* s = nullptr;
        gfx.CreateSurface(64, 64, &s);
        ::testing::internal::CaptureStderr();
        gfx.LoadJPEG(path.c_str(), s);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, "");
        return s;
    }

    // Largest channel difference at the centre 8x8 of every block.
    static int WorstBlockCentre(const IDirectDrawSurface7* s, bool grey)
    {
        int worst = 0;
        for (int by = 0; by < 4; ++by)
            for (int bx = 0; bx < 4; ++bx)
                for (int y = by * 16 + 4; y < by * 16 + 12; ++y)
                    for (int x = bx * 16 + 4; x < bx * 16 + 12; ++x)
                    {
                        const std::uint32_t got = s->Pixels[y * 64 + x], c = Blocks(x, y);
                        const int r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
                        const int want[3] = {r, g, b};
                        const int luma = static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b + 0.5);
                        for (int ch = 0; ch < 3; ++ch)
                        {
                            const int have = static_cast<int>(got >> (16 - 8 * ch) & 0xFF);
                            worst = std::max(worst, std::abs(have - (grey ? luma : want[ch])));
                        }
                    }
        return worst;
    }
};

TEST_F(JpegVariants, CmykPicturesShowTheirColoursWhateverTheInkConvention)
{
    const struct
    {
        badinputs::Cmyk kind;
        const char* name;
        int tolerance;
    } kinds[] = {{badinputs::Cmyk::AdobeCmyk, "Adobe CMYK", 2},
                 {badinputs::Cmyk::AdobeYcck, "Adobe YCCK", 3},
                 {badinputs::Cmyk::PlainCmyk, "CMYK without Adobe marker", 2}};
    for (const auto& k : kinds)
    {
        const IDirectDrawSurface7* s = Load(badinputs::CmykJpeg(64, 64, Blocks, k.kind, 100));
        EXPECT_LE(WorstBlockCentre(s, false), k.tolerance) << k.name;
    }
}

TEST_F(JpegVariants, ProgressiveAndGreyscalePicturesDecode)
{
    const IDirectDrawSurface7* baseline =
        Load(badinputs::Jpeg(64, 64, Blocks, 90, badinputs::Chroma::Half));
    const IDirectDrawSurface7* progressive =
        Load(badinputs::Jpeg(64, 64, Blocks, 90, badinputs::Chroma::Half, true));
    // The same coefficients in another order: the same pixels.
    for (int i = 0; i < 64 * 64; ++i)
        ASSERT_EQ(progressive->Pixels[i], baseline->Pixels[i]) << i;
    EXPECT_LE(WorstBlockCentre(progressive, false), 4);

    const IDirectDrawSurface7* grey =
        Load(badinputs::Jpeg(64, 64, Blocks, 100, badinputs::Chroma::Greyscale));
    EXPECT_LE(WorstBlockCentre(grey, true), 1);
}

} // namespace
