// Triangle span fill: rows, spans, screen edges and additive wrap-around colour.
#include "CubeTestDevice.h"

#include <cstdint>
#include <vector>

namespace
{

constexpr std::uint32_t Cyan = 0x0096FA;

struct Span
{
    int y, left, right; // pixels left .. right inclusive
};

class TriangleFillTest : public CubeDeviceTest
{
  protected:
    // Fills the triangle with corners (x, y) into the locked BackBuffer.
    void Fill(float x0, float y0, float x1, float y1, float x2, float y2,
              std::uint32_t colour = Cyan)
    {
        CubeVertex corners[3];
        corners[0].Position = {x0, y0, 20};
        corners[1].Position = {x1, y1, 20};
        corners[2].Position = {x2, y2, 20};
        CubeTriangle triangle;
        for (int i = 0; i < 3; ++i)
        {
            triangle.Corners[i] = &corners[i];
        }
        triangle.SetColour(colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF);
        GfxDevice->Lock(GfxDevice->BackBuffer);
        FillTriangle(triangle, GfxDevice->LockedBackPtr, GfxDevice->LockedBackPitch);
        GfxDevice->UnLock(GfxDevice->BackBuffer);
    }

    // The picture holds cyan exactly on the spans and black everywhere else.
    static void ExpectSpans(const std::vector<Span>& spans)
    {
        std::vector<std::uint32_t> expected(800 * 600, 0);
        for (const Span& s : spans)
        {
            std::fill(&expected[s.y * 800 + s.left], &expected[s.y * 800 + s.right + 1], Cyan);
        }
        const std::vector<std::uint32_t> actual = Snapshot();
        for (int i = 0, wrong = 0; i < 800 * 600 && wrong < 10; ++i)
        {
            if (actual[i] != expected[i])
            {
                ++wrong;
                ADD_FAILURE() << "pixel (" << i % 800 << ", " << i / 800 << ") is " << std::hex
                              << actual[i] << ", expected " << expected[i];
            }
        }
    }
};

TEST_F(TriangleFillTest, SmallTriangleFillsItsTruncatedSpans)
{
    Fill(10.7f, 5.2f, 20.3f, 5.9f, 12.5f, 9.8f);
    // Row 8 reaches 14 because the float slope of the second edge lies slightly above -2.
    ExpectSpans({{5, 10, 19}, {6, 10, 18}, {7, 10, 16}, {8, 11, 14}});
    EXPECT_EQ(SpanLeft[9], 11);
    EXPECT_EQ(SpanRight[9], 11);
}

TEST_F(TriangleFillTest, EdgesStepWithTheFloatSlope)
{
    // 5 / 3 as a float lies below 5 / 3: three steps reach 4.9999998, so row 13 ends at 13.
    // The exact slope would reach 5 and fill x = 14 as well.
    Fill(10, 10, 10, 13, 15, 13);
    ExpectSpans({{11, 10, 10}, {12, 10, 12}, {13, 10, 13}});
}

TEST_F(TriangleFillTest, HorizontalEdgeRecordsOnlyTheCornerItStartsFrom)
{
    // The bottom edge runs from the third corner to the first: it records x = 10, not 30, and
    // the sloped edges end at 11 and 29 on that row.
    Fill(30, 20.5f, 20, 10, 10, 20.5f);
    const std::vector<std::uint32_t> pixels = Snapshot();
    EXPECT_EQ(pixels[20 * 800 + 10], Cyan);
    EXPECT_EQ(pixels[20 * 800 + 28], Cyan);
    EXPECT_EQ(pixels[20 * 800 + 29], 0u);
}

TEST_F(TriangleFillTest, PartRightOfTheScreenFillsTheLastColumn)
{
    Fill(790, 10, 810, 10, 805, 20);
    std::vector<Span> spans = {{10, 790, 799}, {11, 791, 799}, {12, 793, 799},
                               {13, 794, 799}, {14, 796, 799}, {15, 797, 799}};
    for (int y = 16; y <= 20; ++y)
    {
        spans.push_back({y, 799, 799});
    }
    ExpectSpans(spans);
}

TEST_F(TriangleFillTest, RowsEndAtTruncatedTopPlusTruncatedHeight)
{
    // Rows 10 .. 10 + trunc(1.9): the edge from y = 11 records row 12 right of the screen
    // (x = 800 makes one pixel at 799), but row 12 lies beyond the triangle's rows.
    Fill(805, 10.9f, 810, 11.0f, 820, 12.8f);
    EXPECT_EQ(SpanLeft[12], 799);
    EXPECT_EQ(SpanRight[12], 800);
    ExpectSpans({{10, 799, 799}, {11, 799, 799}});
}

TEST_F(TriangleFillTest, PartsLeftOfOrAboveTheScreenFillNothing)
{
    Fill(-30, 100, -10, 100, -20, 110);
    Fill(10, -30, 60, -1, 30, -5);
    ExpectSpans({});

    // Truncation toward zero puts corners between -1 and 0 on row 0.
    Fill(10, -0.5f, 20, -0.5f, 15, -0.9f);
    ExpectSpans({{0, 10, 14}});
}

TEST_F(TriangleFillTest, RowsBelowTheScreenAreSkipped)
{
    Fill(100, 590, 100, 650, 160, 650);
    Fill(100, 600, 200, 600, 150, 700);
    std::vector<Span> spans;
    for (int y = 591; y < 600; ++y)
    {
        spans.push_back({y, 100, 100 + (y - 590) - 1});
    }
    ExpectSpans(spans);
}

TEST_F(TriangleFillTest, DegenerateTrianglesFillOnlyTheirRow)
{
    Fill(300.5f, 200.5f, 300.5f, 200.5f, 300.5f, 200.5f);
    EXPECT_EQ(SpanLeft[200], 300);
    EXPECT_EQ(SpanRight[200], 300);
    ExpectSpans({});

    // Corners on one row: from the smallest x up to, not including, the largest.
    Fill(50.9f, 40.2f, 20.3f, 40.7f, 35, 40.9f);
    ExpectSpans({{40, 20, 49}});
}

TEST_F(TriangleFillTest, TablesStartAfreshForEveryTriangle)
{
    Fill(100, 100, 200, 100, 150, 110, 0x010000);
    Fill(400, 100, 410, 100, 405, 105, 0x000100);
    const std::vector<std::uint32_t> pixels = Snapshot();
    EXPECT_EQ(pixels[100 * 800 + 100], 0x010000u);
    EXPECT_EQ(pixels[100 * 800 + 300], 0u);
    EXPECT_EQ(pixels[100 * 800 + 400], 0x000100u);
}

TEST_F(TriangleFillTest, ColourAddsPerChannelAndWraps)
{
    const std::uint32_t colours[] = {Cyan, Cyan, 0xFF0000, 0x020000};
    const std::uint32_t sums[] = {0x0096FA, 0x002CF4, 0xFF2CF4, 0x012CF4};
    for (int i = 0; i < 4; ++i)
    {
        Fill(0, 0, 40, 0, 0, 40, colours[i]);
        EXPECT_EQ(Snapshot()[10 * 800 + 10], sums[i]) << "after fill " << i;
    }
}

} // namespace
