#include "effects/IrisScroller.h"

#include "effects/EffectTestSupport.h"

namespace
{
using effecttest::Pattern;

class IrisWipeTest : public effecttest::EffectTest
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        Make(&SurfWarp, 300, 300, 7);
        Make(&SurfIris, 800, 600, 8);          // stale contents of an earlier frame
        FillPattern(GfxDevice->BackBuffer, 9); // stands for the cube scene
    }

    // After the iris at `step`, every pixel strictly farther than r from (400, 300) shows the
    // enlarged warp, every other keeps the cube scene. Returns the screen.
    static effecttest::Picture ExpectIris(DWORD step, int r)
    {
        const auto warp = Read(SurfWarp);
        IrisWipe(step);
        const auto screen = Read(GfxDevice->BackBuffer);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
            {
                const bool outside = (x - 400) * (x - 400) + (y - 300) * (y - 300) > r * r;
                const std::uint32_t want =
                    outside ? warp((2 * x + 1) * 300 / 1600, (2 * y + 1) * 300 / 1200)
                            : Pattern(x, y, 800, 9);
                EXPECT_EQ(screen(x, y), want) << "step " << step << " at " << x << "," << y;
                if (screen(x, y) != want)
                    return screen;
            }
        return screen;
    }
    static bool Kept(const effecttest::Picture& screen, int x, int y)
    {
        return screen(x, y) == Pattern(x, y, 800, 9);
    }
};

TEST_F(IrisWipeTest, AtStep850OnlyTheCentreKeepsTheCubes)
{
    const auto screen = ExpectIris(850, 0);
    EXPECT_TRUE(Kept(screen, 400, 300));
    EXPECT_FALSE(Kept(screen, 401, 300));
}

TEST_F(IrisWipeTest, AtStep900PixelsOnTheCircleKeepTheCubes)
{
    const auto screen = ExpectIris(900, 250);
    EXPECT_TRUE(Kept(screen, 650, 300));
    EXPECT_FALSE(Kept(screen, 651, 300));
}

TEST_F(IrisWipeTest, AtStep949OnlyCornerPatchesShowTheWarp)
{
    const auto screen = ExpectIris(949, 495);
    EXPECT_FALSE(Kept(screen, 0, 0));
    EXPECT_FALSE(Kept(screen, 5, 0));
    EXPECT_TRUE(Kept(screen, 10, 0));
    EXPECT_FALSE(Kept(screen, 799, 599));
}

class ScrollerTest : public effecttest::EffectTest
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        // The strip as start-up builds it: 300 black rows, the 400x600 picture, 300 black rows.
        Make(&SurfStrip, 400, 1200, 0);
        Fill(SurfStrip, [](int x, int y) { return Shown(x, y - 300); });
        FillPattern(GfxDevice->BackBuffer, 9);
    }
    static std::uint32_t Shown(int x, int row)
    {
        return row >= 0 && row < 600 ? Pattern(x, row, 400, 6) : 0;
    }
};

TEST_F(ScrollerTest, ScrollsThePictureUpThroughBlackEvery900Steps)
{
    struct Case
    {
        DWORD step;
        int topRow; // picture row at the top of the screen
    };
    for (const Case c : {Case{1300, -300}, Case{1301, -299}, Case{1600, 0}, Case{1900, 300},
                         Case{2199, 599}, Case{2200, -300}, Case{1300 + 900 * 1000 + 600, 300}})
    {
        Scroller(c.step);
        const auto screen = Read(GfxDevice->BackBuffer);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                ASSERT_EQ(screen(x, y), Shown(x / 2, c.topRow + y / 2))
                    << "step " << c.step << " " << x << "," << y;
    }
}

} // namespace
