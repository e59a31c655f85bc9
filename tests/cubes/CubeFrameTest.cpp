// The cube frame: composition of the world matrices, the picture and the clock-driven angle.
#include "CubeTestDevice.h"

#include "cubes/CubeFrame.h"
#include "platform/sys/Clock.h"
#include "support/AllocationCounter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace
{

constexpr float Positions[CubeCount][3] = {{-2, 4, 20},  {-4, 0, 20}, {2, 0, 20},
                                           {-6, -4, 20}, {0, -4, 20}, {6, -4, 20}};

// The angle a frame at `elapsed` ms leaves for the next one.
float AngleAt(std::uint32_t elapsed)
{
    return static_cast<float>(elapsed * 0.001000000047497451305389404296875);
}

class CubeFrameTest : public CubeDeviceTest
{
  protected:
    void SetUp() override
    {
        CubeDeviceTest::SetUp();
        BuildCubes();
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

TEST_F(CubeFrameTest, FirstFrameDrawsUnrotatedCubes)
{
    DrawAt(42500);
    for (int k = 0; k < CubeCount; ++k)
    {
        const float expected[16] = {1, 0, 0, Positions[k][0], 0, 1, 0, Positions[k][1],
                                    0, 0, 1, Positions[k][2], 0, 0, 0, 1};
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_EQ(Cubes[k].World.m[i], expected[i]) << "cube " << k << " element " << i;
        }
    }
    // Cube 4's corner (1, 1, -1); pure float arithmetic would give y = 452.47662353515625.
    const Vector3& corner = Cubes[4].Vertices[0].Position;
    EXPECT_EQ(corner.x, 450.8255615234375f);
    EXPECT_EQ(corner.y, 452.4766540527344f);
    EXPECT_EQ(corner.z, 19.0f);

    // Right of cube 4's centre (400, 493): near face triangle 0 over far face triangle 5.
    const std::vector<std::uint32_t> pixels = Snapshot();
    EXPECT_EQ(pixels[498 * 800 + 420], 0x9664F4u);
    // The outline is the square near face: x from trunc(400 - 965.685 / 19) to its right
    // corner's truncated x, exclusive.
    std::vector<int> lit;
    for (int x = 300; x < 500; ++x)
    {
        if (pixels[470 * 800 + x] != 0)
        {
            lit.push_back(x);
        }
    }
    ASSERT_EQ(lit.size(), 101u);
    EXPECT_EQ(lit.front(), 349);
    EXPECT_EQ(lit.back(), 449);
}

TEST_F(CubeFrameTest, AngleFollowsTheClockFromTheNextFrameOn)
{
    DrawAt(42500);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
    const std::vector<std::uint32_t> first = Snapshot();

    DrawAt(43000);
    const double a = AngleAt(42500), c = std::cos(a), s = std::sin(a);
    for (int k = 0; k < CubeCount; ++k)
    {
        // T(position) * Rx(-a) * Ry(a).
        const double expected[16] = {
            c,      0,  s,     Positions[k][0], -s * s, c, s * c, Positions[k][1],
            -c * s, -s, c * c, Positions[k][2], 0,      0, 0,     1};
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_NEAR(Cubes[k].World.m[i], expected[i], 1e-6) << "cube " << k << " element " << i;
        }
    }
    EXPECT_EQ(CubeAngle, AngleAt(43000));
    EXPECT_NE(Snapshot(), first);

    // The elapsed time is an unsigned difference: a wrapped tick counter gives the same angle.
    StartTick = 0xFFFFFF00u;
    DrawAt(42500);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
}

TEST_F(CubeFrameTest, FrameClearsAndCoversOnlyTheCubesWithoutAllocating)
{
    CubeVertex before[CubeVertexCount];
    std::copy(CubeTemplate, CubeTemplate + CubeVertexCount, before);
    GfxDevice->ClearSurf(0xFFFFFF, GfxDevice->BackBuffer);
    CubeAngle = 0.8f;
    const long allocationsBefore = testalloc::Count();
    DrawAt(50000);
    EXPECT_EQ(testalloc::Count(), allocationsBefore);
    EXPECT_FALSE(GfxDevice->BackBuffer->Locked);
    for (int i = 0; i < CubeVertexCount; ++i)
    {
        EXPECT_EQ(CubeTemplate[i].Position.x, before[i].Position.x);
        EXPECT_EQ(CubeTemplate[i].Position.y, before[i].Position.y);
        EXPECT_EQ(CubeTemplate[i].Position.z, before[i].Position.z);
    }

    // Lit pixels lie within the cubes' projected bounding boxes, and each cube lights its centre.
    const std::vector<std::uint32_t> pixels = Snapshot();
    std::vector<bool> inBox(800 * 600, false);
    for (const CubeMesh& cube : Cubes)
    {
        float left = 800, right = 0, top = 600, bottom = 0;
        for (const CubeVertex& v : cube.Vertices)
        {
            left = std::min(left, v.Position.x);
            right = std::max(right, v.Position.x);
            top = std::min(top, v.Position.y);
            bottom = std::max(bottom, v.Position.y);
        }
        for (int y = std::max(0, static_cast<int>(top) - 1); y <= std::min(599.0f, bottom + 1); ++y)
        {
            for (int x = std::max(0, static_cast<int>(left) - 1); x <= std::min(799.0f, right + 1);
                 ++x)
            {
                inBox[y * 800 + x] = true;
            }
        }
        const int centre =
            static_cast<int>((top + bottom) / 2) * 800 + static_cast<int>((left + right) / 2);
        EXPECT_NE(pixels[centre], 0u);
    }
    int stray = 0;
    for (int i = 0; i < 800 * 600; ++i)
    {
        stray += !inBox[i] && pixels[i] != 0;
    }
    EXPECT_EQ(stray, 0);
}

} // namespace
