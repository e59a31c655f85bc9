// The cube scene: the vector and matrix arithmetic, triangle span fill (rows, spans, screen
// edges, additive wrap-around colour, the fast fill against the per-pixel one) and the cube
// frame (its arithmetic, the clock-driven angle and what it must not do). The meshes and
// placements of the cubes show in the golden frames.
#include "cubes/CubeFrame.h"
#include "cubes/CubeMath.h"
#include "cubes/TriangleFill.h"
#include "platform/sys/Clock.h"
#include "show/ShowState.h"
#include "support/AllocationCounter.h"
#include "support/PixelCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

Matrix4 Of(const std::vector<float>& v)
{
    Matrix4 result;
    std::copy(v.begin(), v.end(), result.m);
    return result;
}

// Row 0 sums 1 + 2^-30 - 1: 0 in float, 2^-30 in double.
const float Tiny = std::ldexp(1.0f, -30);
const Matrix4 Cancelling = Of({1, Tiny, -1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});

TEST(MatrixTest, MultiplyStoresTheProductTransposedSummedInDouble)
{
    // Small integers, exact in float. The product's rows are (15 23 -1 3), (39 55 -1 19), ...
    const Matrix4 a = Of({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const Matrix4 b = Of({2, 0, 1, 3, -1, 4, 0, 2, 5, 1, -2, 0, 0, 3, 1, -1});
    const Matrix4 product = a.Multiply(b);
    EXPECT_EQ(std::vector<float>(product.m, product.m + 16),
              (std::vector<float>{15, 39, 63, 87, 23, 55, 87, 119, -1, -1, -1, -1, 3, 19, 35, 51}));

    const Matrix4 ones = Of({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(Cancelling.Multiply(ones).m[0], Tiny) << "sum not formed in double";
}

TEST(VectorTest, TransformAppliesTheFirstThreeRowsToTheOldPointInDouble)
{
    // Swaps x and y, keeps z, adds (1, 2, 3); the fourth row must not count.
    Vector3 v{1.5f, -2.0f, 4.0f};
    v.Transform(Of({0, 1, 0, 1, 1, 0, 0, 2, 0, 0, 1, 3, 9, 9, 9, 9}));
    EXPECT_EQ(v.x, -1.0f);
    EXPECT_EQ(v.y, 3.5f);
    EXPECT_EQ(v.z, 7.0f);

    Vector3 w{1, 1, 1};
    w.Transform(Cancelling);
    EXPECT_EQ(w.x, Tiny) << "sum not formed in double";
}

// A headless graphics device and span tables, as start-up would create them.
class CubeDeviceTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        GfxDevice = new VornGFX(800, 600, 32, 1, 2);
        SpanLeft = left_;
        SpanRight = right_;
    }
    void TearDown() override { delete std::exchange(GfxDevice, nullptr); }

    // The whole BackBuffer, row by row.
    static pixelcheck::Picture Snapshot() { return pixelcheck::Read(GfxDevice->BackBuffer); }

  private:
    int left_[600], right_[600];
};

constexpr std::uint32_t Cyan = 0x0096FA;

using Corners = std::array<float, 6>; // x0, y0, x1, y1, x2, y2

class TriangleFillTest : public CubeDeviceTest
{
  protected:
    static void Fill(const Corners& c, std::uint32_t colour = Cyan,
                     void (*fill)(const CubeTriangle&, unsigned char*, long) = FillTriangle)
    {
        CubeVertex corners[3];
        CubeTriangle triangle;
        for (int i = 0; i < 3; ++i)
        {
            corners[i].Position = {c[2 * i], c[2 * i + 1], 20};
            triangle.Corners[i] = &corners[i];
        }
        triangle.SetColour(colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF);
        GfxDevice->Lock(GfxDevice->BackBuffer);
        fill(triangle, GfxDevice->LockedBackPtr, GfxDevice->LockedBackPitch);
        GfxDevice->UnLock(GfxDevice->BackBuffer);
    }
};

TEST_F(TriangleFillTest, TrianglesFillTheirTruncatedSpansOnTheScreen)
{
    struct Case
    {
        const char* what;
        std::vector<Corners> triangles;
        const char* spans; // "row:left-right ...", inclusive: cyan exactly there
    };
    const Case cases[] = {
        // Row 8 reaches 14 because the float slope of the second edge lies slightly above -2.
        {"small", {{10.7f, 5.2f, 20.3f, 5.9f, 12.5f, 9.8f}}, "5:10-19 6:10-18 7:10-16 8:11-14"},
        // 5 / 3 as a float lies below 5 / 3: three steps reach 4.9999998, so row 13 ends at
        // 13. The exact slope would reach 5 and fill x = 14 as well.
        {"float slope", {{10, 13, 15, 13, 10, 10}}, "11:10-10 12:10-12 13:10-13"},
        // The bottom edge runs from the third corner to the first: it records x = 10, not 30.
        {"horizontal edge",
         {{30, 20.5f, 20, 10, 10, 20.5f}},
         "12:19-20 13:18-21 14:17-22 15:16-23 16:15-24 17:14-25 18:13-26 19:12-27 20:10-28"},
        // Rows 10 .. 10 + trunc(1.9); x = 800 beyond the screen fills x = 799. The edge from
        // y = 11 records row 12 as well, but row 12 lies beyond the triangle's rows.
        {"rows end at top plus height",
         {{805, 10.9f, 810, 11, 820, 12.8f}},
         "10:799-799 11:799-799"},
        {"left of or above the screen, or a point",
         {{-30, 100, -10, 100, -20, 110},
          {10, -30, 60, -1, 30, -5},
          {300.5f, 200.5f, 300.5f, 200.5f, 300.5f, 200.5f}},
         ""},
        // Truncation toward zero puts corners between -1 and 0 on row 0.
        {"just above row 0", {{10, -0.5f, 20, -0.5f, 15, -0.9f}}, "0:10-14"},
        {"below the screen",
         {{100, 595, 100, 650, 160, 650}, {100, 600, 200, 600, 150, 700}},
         "596:100-100 597:100-101 598:100-102 599:100-103"},
        // Corners on one row: from the smallest x up to, not including, the largest.
        {"one row", {{50.9f, 40.2f, 20.3f, 40.7f, 35, 40.9f}}, "40:20-49"},
        // The top corner last, the bottom one in the middle; then a triangle on the same rows
        // that starts from empty tables: nothing between the two.
        {"corners in any order, tables start afresh",
         {{120.5f, 104.5f, 100.5f, 108.7f, 110.5f, 100.2f}, {130, 100, 134, 100, 130, 103}},
         "101:109-111 102:108-113 103:107-115 104:106-119 105:105-115 106:103-110 107:102-105 "
         "100:130-133 101:130-132 102:130-131"},
    };
    for (const Case& c : cases)
    {
        GfxDevice->ClearSurf(0UL, GfxDevice->BackBuffer);
        for (const Corners& triangle : c.triangles)
            Fill(triangle);
        std::vector<std::uint32_t> expected(800 * 600, 0);
        std::istringstream spans(c.spans);
        int y, left, right;
        for (char colon, dash; spans >> y >> colon >> left >> dash >> right;)
            std::fill(&expected[y * 800 + left], &expected[y * 800 + right + 1], Cyan);
        SCOPED_TRACE(c.what);
        pixelcheck::ExpectPicture(Snapshot(), [&](int x, int y) { return expected[y * 800 + x]; });
    }
}

// The fast fill against the per-pixel one at every kernel level: random triangles, many of them
// partly off the screen, some a few pixels small or flat, filled one after another over noise,
// so that a span row left over from an earlier triangle, a channel's sum carried into the next
// (each wraps on its own) or a lost bit 24-31 would show.
TEST_F(TriangleFillTest, FastFillMatchesThePerPixelFillOverSequencesOfTriangles)
{
    std::mt19937 random(14);
    std::uniform_real_distribution<float> x(-60, 860), y(-60, 660), near(-4, 4);
    std::vector<std::pair<Corners, std::uint32_t>> triangles(300);
    for (std::size_t i = 0; i < triangles.size(); ++i)
    {
        Corners& c = triangles[i].first;
        for (int k = 0; k < 3; ++k)
            c[2 * k] = x(random), c[2 * k + 1] = y(random);
        if (i % 5 == 0) // small
            for (int k = 1; k < 3; ++k)
                c[2 * k] = c[0] + near(random), c[2 * k + 1] = c[1] + near(random);
        if (i % 7 == 0) // flat
            c[3] = c[5] = c[1];
        triangles[i].second = static_cast<std::uint32_t>(random());
    }
    std::vector<std::uint32_t> noise(800 * 600);
    std::generate(noise.begin(), noise.end(), [&] { return static_cast<std::uint32_t>(random()); });
    std::uint32_t* const back = GfxDevice->BackBuffer->Pixels.get();

    std::copy(noise.begin(), noise.end(), back);
    for (const auto& [corners, colour] : triangles)
        Fill(corners, colour, FillTrianglePerPixel);
    const pixelcheck::Picture expected = Snapshot();
    pixelcheck::AtEveryKernelLevel(
        [&]
        {
            std::copy(noise.begin(), noise.end(), back);
            for (const auto& [corners, colour] : triangles)
                Fill(corners, colour);
            pixelcheck::ExpectPicture(Snapshot(), expected);
        });
}

// The angle a frame at `elapsed` ms leaves for the next one.
const auto AngleAt = [](std::uint32_t elapsed)
{ return static_cast<float>(elapsed * 0.001000000047497451305389404296875); };

class CubeFrameTest : public CubeDeviceTest
{
  protected:
    void SetUp() override
    {
        CubeDeviceTest::SetUp();
        BuildCubes();
        Matrix4 first[CubeCount];
        for (int k = 0; k < CubeCount; ++k)
            first[k] = Cubes[k].Placement;
        BuildCubes(); // a second start-up builds the same
        for (int k = 0; k < CubeCount; ++k)
            EXPECT_TRUE(std::equal(first[k].m, first[k].m + 16, Cubes[k].Placement.m)) << k;
        StartTick = 1000;
        CubeAngle = 0.0f;
    }
    void TearDown() override
    {
        sys::UseRealTicks();
        CubeDeviceTest::TearDown();
    }

    static void DrawAt(std::uint32_t elapsed)
    {
        sys::SetVirtualTicks(StartTick + elapsed);
        DrawCubes();
    }
};

TEST_F(CubeFrameTest, FirstFrameDrawsUnrotatedCubesWithoutAllocating)
{
    const long allocationsBefore = testalloc::Count();
    DrawAt(42500);
    EXPECT_EQ(testalloc::Count(), allocationsBefore);
    EXPECT_FALSE(GfxDevice->BackBuffer->Locked);

    // Cube 4's corner (1, 1, -1), unrotated: the frame turns by the angle the previous one left.
    // Pure float arithmetic would give y = 452.47662353515625.
    const Vector3& corner = Cubes[4].Vertices[0].Position;
    EXPECT_EQ(corner.x, 450.8255615234375f);
    EXPECT_EQ(corner.y, 452.4766540527344f);
    EXPECT_EQ(corner.z, 19.0f);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
}

TEST_F(CubeFrameTest, AngleFollowsTheClock)
{
    DrawAt(43000);
    EXPECT_EQ(CubeAngle, AngleAt(43000));

    // The elapsed time is an unsigned difference: a wrapped tick counter gives the same angle.
    StartTick = 0xFFFFFF00u;
    DrawAt(42500);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
}

} // namespace
