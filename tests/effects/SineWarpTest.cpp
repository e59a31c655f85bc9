#include "effects/SineWarp.h"

#include <algorithm>

#include "effects/EffectTestSupport.h"

namespace
{

// SurfJ3's pixel (x, y), which tells its row and column.
const auto Source = [](int x, int y) { return 0x80000000u | y << 9 | static_cast<unsigned>(x); };

class SineWarpTest : public effecttest::EffectTest
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        Make(&SurfJ3, 400, 300, 0);
        Fill(SurfJ3, Source);
        Make(&SurfWarp, 300, 300, 77); // stale contents of an earlier frame
    }

    struct Span
    {
        int start = 0, end = 0;
        std::vector<int> columns; // source column of each span pixel
    };

    // Row `row` of a warp picture: black, then SurfJ3's row `row` from column 0 to 397 or 398
    // in increasing columns, then black.
    static Span SpanOf(const effecttest::Picture& warp, int row)
    {
        Span span;
        int x = 0;
        while (x < 300 && warp(x, row) == 0)
            ++x;
        for (span.start = x; x < 300 && warp(x, row) != 0; ++x)
        {
            span.columns.push_back(warp(x, row) & 511);
            EXPECT_EQ(warp(x, row), Source(span.columns.back(), row)) << x << "," << row;
        }
        for (span.end = x; x < 300; ++x)
            EXPECT_EQ(warp(x, row), 0u) << x << "," << row;
        EXPECT_TRUE(!span.columns.empty() && span.columns.front() == 0 &&
                    span.columns.back() >= 397 &&
                    std::is_sorted(span.columns.begin(), span.columns.end()))
            << "row " << row;
        return span;
    }
};

// Step 819 row 88 ends at 288 only with the frequency held in double precision (289 in single).
// From step 850 on the iris wipe shows SurfWarp: it is redrawn, but not shown.
TEST_F(SineWarpTest, EveryRowIsSqueezedBetweenTheTwoSineCurvesAndShownBeforeStep850)
{
    const int cases[][4] = {{672, 0, 30, 270},  {672, 299, 43, 293}, {700, 100, 1, 251},
                            {849, 0, 2, 294},   {850, 0, 3, 290},    {760, 50, 39, 244},
                            {760, 250, 6, 243}, {949, 50, 44, 243},  {949, 150, 41, 299},
                            {819, 88, 43, 288}};
    for (const auto& [step, row0, start, end] : cases)
    {
        SCOPED_TRACE("step " + std::to_string(step));
        FillPattern(GfxDevice->BackBuffer, 99);
        const auto before = Read(GfxDevice->BackBuffer);
        SineRowWarp(step);
        const auto warp = Read(SurfWarp);
        for (int row = 0; row < 300; ++row)
        {
            const Span span = SpanOf(warp, row);
            EXPECT_TRUE(span.start <= 60 && span.end >= 240 &&
                        (row != row0 || (span.start == start && span.end == end)))
                << "row " << row << ": " << span.start << ".." << span.end;
        }
        if (step < 850)
            ExpectOnScreen(warp);
        else
            effecttest::ExpectPicture(Read(GfxDevice->BackBuffer), before);
    }
    // Row 0 at step 672 spreads 400 columns over 240: the sum of steps falls just below 15 at
    // the tenth pixel.
    SineRowWarp(672);
    const Span first = SpanOf(Read(SurfWarp), 0);
    EXPECT_EQ(std::vector<int>(first.columns.begin(), first.columns.begin() + 10),
              (std::vector<int>{0, 1, 3, 5, 6, 8, 10, 11, 13, 14}));
}

} // namespace
