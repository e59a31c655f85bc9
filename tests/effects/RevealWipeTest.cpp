#include "effects/RevealWipe.h"

#include "effects/EffectTestSupport.h"

namespace
{

class RevealWipeTest : public effecttest::EffectTest
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        Make(&SurfInitial, 400, 300, 11);
        Make(&SurfWipe, 400, 300, 22); // stale contents of an earlier frame
        FillPattern(GfxDevice->BackBuffer, 33);
    }
};

TEST_F(RevealWipeTest, UncoversTwoColumnsPerStepAndStreaksTheFirstHiddenPixel)
{
    const auto picture = Read(SurfInitial);
    for (DWORD step : {0u, 1u, 57u, 199u, 200u}) // 200: the whole picture, all 32 bits
    {
        RevealWipe(step);
        const auto wipe = Read(SurfWipe);
        const int n = static_cast<int>(2 * step);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                ASSERT_EQ(wipe(x, y), picture(x < n ? x : n, y))
                    << "step " << step << " " << x << "," << y;
        ExpectOnScreen(wipe);
    }
}

class FadeToBlackTest : public RevealWipeTest
{
  protected:
    void SetUp() override
    {
        RevealWipeTest::SetUp();
        Make(&SurfBlack, 400, 300, 44); // not black: the fade clears it itself
        Make(&SurfFade, 400, 300, 55);
    }
};

TEST_F(FadeToBlackTest, ChannelsFollowTheSinglePrecisionWeight)
{
    Fill(SurfInitial, [](int x, int)
         { return x == 0 ? VornGFX::Pack(255, 100, 0) : VornGFX::Pack(100, 0, 255); });
    struct Case
    {
        DWORD step;
        unsigned char of255, of100;
    };
    for (const Case c : {Case{201, 249, 98}, Case{202, 244, 95}, Case{205, 229, 89},
                         Case{225, 127, 50}, Case{249, 5, 2}})
    {
        FadeToBlack(c.step);
        const auto fade = Read(SurfFade);
        EXPECT_EQ(fade(0, 0), VornGFX::Pack(c.of255, c.of100, 0)) << "step " << c.step;
        EXPECT_EQ(fade(1, 0), VornGFX::Pack(c.of100, 0, c.of255)) << "step " << c.step;
    }
}

TEST_F(FadeToBlackTest, HalfWayHalvesEveryChannelDownAndLeavesSurfBlackBlack)
{
    FadeToBlack(225);
    const auto picture = Read(SurfInitial);
    const auto fade = Read(SurfFade);
    for (std::size_t i = 0; i < fade.p.size(); ++i)
        for (int shift : {16, 8, 0})
            ASSERT_EQ(Channel(fade.p[i], shift), Channel(picture.p[i], shift) / 2) << "pixel " << i;
    ExpectOnScreen(fade);
    for (std::uint32_t p : Read(SurfBlack).p)
        ASSERT_EQ(p, 0u);
}

} // namespace
