#include "effects/PulsingBlend.h"

#include <algorithm>

#include "effects/EffectTestSupport.h"

namespace
{

class PulsingBlendTest : public effecttest::EffectTest
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        Make(&SurfJ1, 400, 300, 1);
        Make(&SurfJ2, 400, 300, 2);
        Make(&SurfJ3, 400, 300, 3);
        Make(&SurfBlend, 400, 300, 4);
    }

    // SurfBlend after `step` has the three channels of `picture`.
    static void ExpectBlendIs(DWORD step, IDirectDrawSurface7* picture)
    {
        PulsingBlend(step);
        const auto want = Read(picture);
        const auto blend = Read(SurfBlend);
        for (std::size_t i = 0; i < want.p.size(); ++i)
            ASSERT_EQ(blend.p[i], want.p[i] & 0xFFFFFFu) << "step " << step << " pixel " << i;
    }
};

TEST_F(PulsingBlendTest, StartsOnSurfJ1AndShowsTheSecondPictureWhereTheWeightIsNegligible)
{
    ExpectBlendIs(457, SurfJ1);
    for (DWORD step : {470u, 495u, 520u, 545u})
        ExpectBlendIs(step, SurfJ2);
    for (DWORD step : {570u, 595u, 620u, 645u, 671u})
        ExpectBlendIs(step, SurfJ3);
}

TEST_F(PulsingBlendTest, TruncatesTowardTheSecondPicture)
{
    Fill(SurfJ1, [](int, int) { return VornGFX::Pack(0, 255, 0); });
    Fill(SurfJ2, [](int, int) { return VornGFX::Pack(255, 0, 255); });
    PulsingBlend(463); // w = 0.5353686...
    for (std::uint32_t p : Read(SurfBlend).p)
        ASSERT_EQ(p, VornGFX::Pack(119, 136, 119));
}

TEST_F(PulsingBlendTest, SecondPictureIsSurfJ3FromStep558)
{
    // Near w = 1 a 255 in the second picture still leaves a trace, a 0 none.
    Fill(SurfJ1, [](int, int) { return 0u; });
    Fill(SurfJ2, [](int, int) { return VornGFX::Pack(255, 255, 255); });
    Fill(SurfJ3, [](int, int) { return 0u; });
    PulsingBlend(557);
    EXPECT_EQ(Read(SurfBlend)(123, 45), VornGFX::Pack(2, 2, 2));
    PulsingBlend(558);
    EXPECT_EQ(Read(SurfBlend)(123, 45), 0u);
}

TEST_F(PulsingBlendTest, EveryChannelLiesBetweenThePicturesAndOneApartTakesTheSecond)
{
    PulsingBlend(463);
    const auto a = Read(SurfJ1), s = Read(SurfJ2), blend = Read(SurfBlend);
    for (std::size_t i = 0; i < blend.p.size(); ++i)
        for (int shift : {16, 8, 0})
        {
            const std::uint32_t ac = Channel(a.p[i], shift), sc = Channel(s.p[i], shift);
            const std::uint32_t c = Channel(blend.p[i], shift);
            ASSERT_TRUE(c >= std::min(ac, sc) && c <= std::max(ac, sc)) << "pixel " << i;
            ASSERT_TRUE((ac + 1 != sc && sc + 1 != ac) || c == sc) << "pixel " << i;
        }
    ExpectOnScreen(blend);
}

} // namespace
