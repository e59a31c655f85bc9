#include "effects/IrisScroller.h"

#include "effects/EffectTestSupport.h"

namespace
{
using effecttest::Pattern;
using IrisScrollerTest = effecttest::EffectTest;

TEST_F(IrisScrollerTest, IrisShowsTheWarpStrictlyOutsideARadiusGrowing5PerStep)
{
    Make(&SurfWarp, 300, 300, 7);
    Make(&SurfIris, 800, 600, 8); // stale contents of an earlier frame
    const auto warp = Read(SurfWarp);
    // 850: only the centre keeps the cube scene; 900: pixels on the circle keep it; 949: only
    // patches in the corners show the warp.
    for (const auto& [step, r] : {std::pair{850u, 0}, {900u, 250}, {949u, 495}})
    {
        SCOPED_TRACE("step " + std::to_string(step));
        FillPattern(GfxDevice->BackBuffer, 9); // stands for the cube scene
        IrisWipe(step);
        effecttest::ExpectPicture(Read(GfxDevice->BackBuffer),
                                  [&](int x, int y)
                                  {
                                      return (x - 400) * (x - 400) + (y - 300) * (y - 300) > r * r
                                                 ? warp((2 * x + 1) * 300 / 1600, (2 * y + 1) / 4)
                                                 : Pattern(x, y, 800, 9);
                                  });
    }
}

TEST_F(IrisScrollerTest, ScrollerMovesThePictureUpThroughBlackEvery900Steps)
{
    // The strip as start-up builds it: 300 black rows, the 400x600 picture, 300 black rows.
    const auto shown = [](int x, int row)
    { return row >= 0 && row < 600 ? Pattern(x, row, 400, 6) : 0u; };
    Make(&SurfStrip, 400, 1200, 0);
    Fill(SurfStrip, [&](int x, int y) { return shown(x, y - 300); });
    // Steps and the picture row at the top of the screen; the last a thousand periods on.
    const std::pair<DWORD, int> cases[] = {{1300, -300}, {1301, -299}, {1600, 0},    {1900, 300},
                                           {2199, 599},  {2200, -300}, {901900, 300}};
    for (const auto& [step, top] : cases)
    {
        SCOPED_TRACE("step " + std::to_string(step));
        Scroller(step);
        effecttest::ExpectPicture(Read(GfxDevice->BackBuffer),
                                  [&](int x, int y) { return shown(x / 2, top + y / 2); });
    }
}

} // namespace
