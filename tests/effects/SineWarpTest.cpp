#include "effects/SineWarp.h"

#include <map>

#include "effects/EffectTestSupport.h"

namespace
{

class SineWarpTest : public effecttest::EffectTest
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        Make(&SurfJ3, 400, 300, 3);
        Make(&SurfWarp, 300, 300, 77); // stale contents of an earlier frame
        for (int x = 0; x < 400; ++x)
            for (int y = 0; y < 300; ++y)
                columnOf_[effecttest::Pattern(x, y, 400, 3)] = x;
    }

    struct Span
    {
        int start = 0, end = 0;
        std::vector<int> columns; // source column of each span pixel
    };

    // Row `row` of a warp picture: black, then a run of SurfJ3 pixels of the same row, then black.
    Span SpanOf(const effecttest::Picture& warp, int row)
    {
        Span span;
        int x = 0;
        while (x < 300 && warp(x, row) == 0)
            ++x;
        for (span.start = x; x < 300 && warp(x, row) != 0; ++x)
        {
            const std::uint32_t p = warp(x, row);
            EXPECT_TRUE(columnOf_.count(p) && p == effecttest::Pattern(columnOf_[p], row, 400, 3))
                << "column " << x << " row " << row << " is not from this row of SurfJ3";
            span.columns.push_back(columnOf_[p]);
        }
        for (span.end = x; x < 300; ++x)
            EXPECT_EQ(warp(x, row), 0u) << "column " << x << " row " << row;
        return span;
    }

    std::map<std::uint32_t, int> columnOf_;
};

// Step 819 row 88 ends at 288 only with the frequency held in double precision (289 in single).
TEST_F(SineWarpTest, SpansFollowTheTwoSineCurves)
{
    struct Case
    {
        DWORD step;
        int row, start, end;
    };
    for (const Case c : {Case{672, 0, 30, 270}, Case{672, 299, 43, 293}, Case{700, 100, 1, 251},
                         Case{849, 0, 2, 294}, Case{760, 50, 39, 244}, Case{760, 250, 6, 243},
                         Case{949, 50, 44, 243}, Case{949, 150, 41, 299}, Case{819, 88, 43, 288}})
    {
        SineRowWarp(c.step);
        const Span span = SpanOf(Read(SurfWarp), c.row);
        EXPECT_EQ(span.start, c.start) << "step " << c.step << " row " << c.row;
        EXPECT_EQ(span.end, c.end) << "step " << c.step << " row " << c.row;
    }
}

TEST_F(SineWarpTest, AccumulatedSourcePositionTakesColumn14NotColumn15)
{
    SineRowWarp(672);
    const Span span = SpanOf(Read(SurfWarp), 0);
    ASSERT_EQ(span.columns.size(), 240u);
    EXPECT_EQ(std::vector<int>(span.columns.begin(), span.columns.begin() + 10),
              (std::vector<int>{0, 1, 3, 5, 6, 8, 10, 11, 13, 14}));
    EXPECT_EQ(span.columns.back(), 398);
}

TEST_F(SineWarpTest, EveryRowIsItsWholeSourceRowSqueezedBetweenBlack)
{
    for (DWORD step : {691u, 790u, 901u})
    {
        SineRowWarp(step);
        const auto warp = Read(SurfWarp);
        for (int row = 0; row < 300; ++row)
        {
            const Span span = SpanOf(warp, row);
            ASSERT_TRUE(span.start <= 60 && span.end >= 240) << "step " << step << " row " << row;
            EXPECT_EQ(span.columns.front(), 0);
            EXPECT_TRUE(span.columns.back() == 397 || span.columns.back() == 398);
            for (std::size_t i = 1; i < span.columns.size(); ++i)
                ASSERT_GT(span.columns[i], span.columns[i - 1])
                    << "step " << step << " row " << row;
        }
    }
}

TEST_F(SineWarpTest, ShownOnlyBeforeStep850)
{
    SineRowWarp(849);
    ExpectOnScreen(Read(SurfWarp));
    FillPattern(GfxDevice->BackBuffer, 99);
    const auto before = Read(GfxDevice->BackBuffer);
    SineRowWarp(850);
    EXPECT_EQ(Read(GfxDevice->BackBuffer), before);
    EXPECT_EQ(SpanOf(Read(SurfWarp), 0).start, 3); // redrawn all the same
}

TEST_F(SineWarpTest, WarpRowSpreadsTheSourceRowOverItsSpanAndSkipsEmptySpans)
{
    GfxDevice->ClearSurf(0UL, SurfWarp);
    GfxDevice->Lock(SurfJ3);
    WarpSourcePixels = GfxDevice->LockedSurfPtr;
    WarpSourcePitch = static_cast<int>(GfxDevice->LockedSurfPitch);
    GfxDevice->Lock(SurfWarp);
    WarpRow(123, 50, 250);
    WarpRow(10, 100, 100);
    WarpRow(11, 150, 100);
    GfxDevice->UnLock(SurfJ3);
    GfxDevice->UnLock(SurfWarp);

    const auto warp = Read(SurfWarp);
    const Span span = SpanOf(warp, 123);
    ASSERT_EQ(span.start, 50);
    ASSERT_EQ(span.end, 250);
    for (std::size_t i = 0; i < span.columns.size(); ++i)
        ASSERT_EQ(span.columns[i], static_cast<int>(2 * i));
    for (int row = 0; row < 300; ++row)
        EXPECT_EQ(SpanOf(warp, row).columns.empty(), row != 123) << "row " << row;
}

} // namespace
