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
        Make(&SurfWipe, 400, 300, 22);  // stale contents of an earlier frame
        Make(&SurfBlack, 400, 300, 44); // not black: the fade clears it itself
        Make(&SurfFade, 400, 300, 55);
        FillPattern(GfxDevice->BackBuffer, 33);
    }
};

TEST_F(RevealWipeTest, UncoversTwoColumnsPerStepAndStreaksTheFirstHiddenPixel)
{
    const auto picture = Read(SurfInitial);
    for (DWORD step : {0u, 1u, 57u, 199u, 200u}) // 200: the whole picture, all 32 bits
    {
        SCOPED_TRACE("step " + std::to_string(step));
        RevealWipe(step);
        const auto wipe = Read(SurfWipe);
        const int n = static_cast<int>(2 * step);
        effecttest::ExpectPicture(wipe, [&](int x, int y) { return picture(x < n ? x : n, y); });
        ExpectOnScreen(wipe);
    }
}

TEST_F(RevealWipeTest, FadeTruncatesEveryChannelTimesTheSinglePrecisionWeight)
{
    // The weight is 1 - k * 0.02f rounded to float once: at step 215 a weight formed in float,
    // or one kept in double, would give 7 of 10; at step 226 the double 0.02 gives 11 of 25.
    Fill(SurfInitial, [](int, int) { return VornGFX::Pack(255, 25, 10); });
    const unsigned cases[][4] = {
        {201, 249, 24, 9}, {215, 178, 17, 6}, {226, 122, 12, 4}, {249, 5, 0, 0}};
    for (const auto& [step, of255, of25, of10] : cases)
    {
        SCOPED_TRACE("step " + std::to_string(step));
        FadeToBlack(step);
        effecttest::ExpectPicture(Read(SurfFade),
                                  [&](int, int) { return (of255 << 16) | (of25 << 8) | of10; });
    }
    ExpectOnScreen(Read(SurfFade));
}

} // namespace
