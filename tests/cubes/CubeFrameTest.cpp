// The cube frame: composition of the world matrices, the picture and the clock-driven angle.
#include "CubeTestDevice.h"

#include "cubes/CubeFrame.h"
#include "platform/sys/Clock.h"
#include "support/AllocationCounter.h"

#include <algorithm>
#include <cmath>

namespace
{

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

    // World of every cube is T(position) * Rx(-a) * Ry(a), the position taken from the bottom
    // row of its Placement.
    static void ExpectWorld(double a)
    {
        const double c = std::cos(a), s = std::sin(a);
        for (int k = 0; k < CubeCount; ++k)
        {
            const float* p = Cubes[k].Placement.m + 12;
            const double expected[16] = {c,      0,  s,     p[0], -s * s, c, s * c, p[1],
                                         -c * s, -s, c * c, p[2], 0,      0, 0,     1};
            for (int i = 0; i < 16; ++i)
                EXPECT_NEAR(Cubes[k].World.m[i], expected[i], 1e-6) << "cube " << k << " @" << i;
        }
    }
};

TEST_F(CubeFrameTest, FirstFrameClearsAndDrawsUnrotatedCubesWithoutAllocating)
{
    GfxDevice->ClearSurf(0xFFFFFF, GfxDevice->BackBuffer);
    const long allocationsBefore = testalloc::Count();
    DrawAt(42500);
    EXPECT_EQ(testalloc::Count(), allocationsBefore);
    EXPECT_FALSE(GfxDevice->BackBuffer->Locked);
    ExpectWorld(0.0);
    for (const CubeVertex& v : CubeTemplate) // the model is left as it was
        EXPECT_EQ(std::abs(v.Position.x) + std::abs(v.Position.y) + std::abs(v.Position.z), 3);

    // Cube 4's corner (1, 1, -1); pure float arithmetic would give y = 452.47662353515625.
    const Vector3& corner = Cubes[4].Vertices[0].Position;
    EXPECT_EQ(corner.x, 450.8255615234375f);
    EXPECT_EQ(corner.y, 452.4766540527344f);
    EXPECT_EQ(corner.z, 19.0f);

    // Cube 4, centred on (400, 493), seen from above: the near face over the far, left and
    // right face, then the top face over the far one, the near face over each triangle of the
    // bottom one. Row 470 crosses the square near face from trunc(400 - 965.685 / 19) to the
    // right corner's truncated x, exclusive.
    const std::uint32_t expected[][3] = {
        {420, 498, 0x9664F4}, {349, 470, 0x9632F4}, {449, 470, 0x9696F4},
        {400, 445, 0x3264F4}, {400, 535, 0xFA00F4}, {400, 545, 0xFA00F4},
        {348, 470, 0},        {450, 470, 0},        {0, 0, 0}};
    const std::vector<std::uint32_t> pixels = Snapshot();
    for (const auto& [x, y, colour] : expected)
        EXPECT_EQ(pixels[y * 800 + x], colour) << x << "," << y;
}

TEST_F(CubeFrameTest, AngleFollowsTheClockFromTheNextFrameOn)
{
    DrawAt(42500);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
    DrawAt(43000);
    ExpectWorld(AngleAt(42500));
    EXPECT_EQ(CubeAngle, AngleAt(43000));

    // The elapsed time is an unsigned difference: a wrapped tick counter gives the same angle.
    StartTick = 0xFFFFFF00u;
    DrawAt(42500);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
}

} // namespace
