// The segments at their boundary steps and where their arithmetic can slip: the precision of
// the weights, truncation, the sine curves and the phases that wrap. Every frame of the show is
// pinned by the golden tests and every fast path by FastPathTest; these pin what the show never
// reaches and what a checksum would not explain.
#include "effects/BlobField.h"
#include "effects/IrisScroller.h"
#include "effects/PulsingBlend.h"
#include "effects/RevealWipe.h"
#include "effects/SineWarp.h"

#include <algorithm>
#include <array>

#include "effects/EffectTestSupport.h"

namespace
{
using effecttest::ExpectPicture;
using effecttest::Pattern;
using SegmentTest = effecttest::EffectTest;

TEST_F(SegmentTest, FadeTruncatesEveryChannelTimesTheSinglePrecisionWeight)
{
    Make(&SurfInitial, 400, 300, 11);
    Make(&SurfBlack, 400, 300, 44); // not black: the fade clears it itself
    Make(&SurfFade, 400, 300, 55);
    // The weight is 1 - k * 0.02f rounded to float once: at step 215 a weight formed in float,
    // or one kept in double, would give 7 of 10; at step 226 the double 0.02 gives 11 of 25.
    Fill(SurfInitial, [](int, int) { return VornGFX::Pack(255, 25, 10); });
    const unsigned cases[][4] = {
        {201, 249, 24, 9}, {215, 178, 17, 6}, {226, 122, 12, 4}, {249, 5, 0, 0}};
    for (const auto& [step, of255, of25, of10] : cases)
    {
        SCOPED_TRACE("step " + std::to_string(step));
        FadeToBlack(step);
        ExpectPicture(Read(SurfFade), [&](int, int) { return (of255 << 16) | (of25 << 8) | of10; });
    }
}

TEST_F(SegmentTest, BlendTruncatesTowardTheSecondPictureWhichIsSurfJ3FromStep558)
{
    Make(&SurfJ1, 400, 300, 1);
    Make(&SurfJ2, 400, 300, 2);
    Make(&SurfJ3, 400, 300, 3);
    Make(&SurfBlend, 400, 300, 4);
    // Step 457 shows SurfJ1 in the channel form; at 463, w = 0.5353686..., 255 - 136.5 and
    // 0 + 136.5 both truncate toward 0; at 545 and 570 the weight is negligible. Near w = 1 a
    // 255 in the second picture still leaves a trace.
    for (const auto& [step, j1, j2, j3, blend] :
         std::vector<std::array<std::uint32_t, 5>>{{457, 0x80123456, 0xABCDEF, 0, 0x123456},
                                                   {463, 0x00FF40, 0xFF0000, 0, 0x778822},
                                                   {545, 0xFFFFFF, 0x123456, 0, 0x123456},
                                                   {557, 0, 0xFFFFFF, 0, 0x020202},
                                                   {558, 0, 0xFFFFFF, 0, 0},
                                                   {570, 0xFFFFFF, 0, 0xABCDEF, 0xABCDEF}})
    {
        Fill(SurfJ1, [&](int, int) { return j1; });
        Fill(SurfJ2, [&](int, int) { return j2; });
        Fill(SurfJ3, [&](int, int) { return j3; });
        SCOPED_TRACE("step " + std::to_string(step));
        PulsingBlend(step);
        ExpectPicture(Read(SurfBlend), [&](int, int) { return blend; });
    }
}

// Step 819 row 88 ends at 288 only with the frequency held in double precision (289 in single).
TEST_F(SegmentTest, WarpSqueezesEachRowBetweenTheTwoSineCurves)
{
    // SurfJ3's pixel (x, y) tells its row and column.
    const auto source = [](int x, int y)
    { return 0x80000000u | y << 9 | static_cast<unsigned>(x); };
    Make(&SurfJ3, 400, 300, 0);
    Fill(SurfJ3, source);
    Make(&SurfWarp, 300, 300, 77); // stale contents of an earlier frame
    const auto screen = [](int x, int y) { return Pattern(x, y, 800, 9); };
    const int cases[][4] = {{672, 0, 30, 270},  {672, 299, 43, 293}, {700, 100, 1, 251},
                            {849, 0, 2, 294},   {850, 0, 3, 290},    {760, 50, 39, 244},
                            {760, 250, 6, 243}, {949, 50, 44, 243},  {949, 150, 41, 299},
                            {819, 88, 43, 288}};
    for (const auto& [step, row, start, end] : cases)
    {
        SCOPED_TRACE("step " + std::to_string(step) + " row " + std::to_string(row));
        Fill(GfxDevice->BackBuffer, screen);
        SineRowWarp(step);
        if (step >= 850) // the iris shows SurfWarp from then on: redrawn, not shown
            ExpectPicture(Read(GfxDevice->BackBuffer), screen);
        // Black, then the source row from column 0 to 397 or 398 in increasing columns, then
        // black.
        const auto warp = Read(SurfWarp);
        std::vector<int> columns;
        for (int x = 0; x < 300; ++x)
        {
            const bool inSpan = x >= start && x < end;
            if (inSpan)
                columns.push_back(warp(x, row) & 511);
            EXPECT_EQ(warp(x, row), inSpan ? source(columns.back(), row) : 0u) << "x " << x;
        }
        EXPECT_TRUE(columns.front() == 0 && columns.back() >= 397 &&
                    std::is_sorted(columns.begin(), columns.end()));
        // 400 columns over 240: the sum of steps falls just below 15 at the tenth pixel.
        if (step == 672 && row == 0)
        {
            EXPECT_EQ(std::vector<int>(columns.begin(), columns.begin() + 10),
                      (std::vector<int>{0, 1, 3, 5, 6, 8, 10, 11, 13, 14}));
        }
    }
}

TEST_F(SegmentTest, ScrollerMovesThePictureUpThroughBlackEvery900Steps)
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
        ExpectPicture(Read(GfxDevice->BackBuffer),
                      [&](int x, int y) { return shown(x / 2, top + y / 2); });
    }
}

TEST_F(SegmentTest, BallsFollowTheLissajousCurve)
{
    // At step 799, which the show never reaches, the step wraps before the ball is added: phase
    // 800, not 0.
    const int cases[][4] = {
        {250, 1, 93, 156}, {300, 40, 164, 165}, {454, 0, 182, 452}, {799, 1, 173, 400}};
    for (const auto& [step, ball, bx, by] : cases)
    {
        int x = 0, y = 0;
        LocateBall(step, ball, &x, &y);
        EXPECT_TRUE(x == bx && y == by) << "step " << step << ": " << x << "," << y;
    }
}

} // namespace
