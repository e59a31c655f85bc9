// The cube frame: its arithmetic, the clock-driven angle and what it must not do.
#include "CubeTestDevice.h"

#include "cubes/CubeFrame.h"
#include "platform/sys/Clock.h"
#include "support/AllocationCounter.h"

#include <algorithm>
#include <cstdlib>

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
};

TEST_F(CubeFrameTest, FirstFrameDrawsUnrotatedCubesWithoutAllocating)
{
    const long allocationsBefore = testalloc::Count();
    DrawAt(42500);
    EXPECT_EQ(testalloc::Count(), allocationsBefore);
    EXPECT_FALSE(GfxDevice->BackBuffer->Locked);
    for (const CubeVertex& v : CubeTemplate) // the model is left as it was
        EXPECT_EQ(std::abs(v.Position.x) + std::abs(v.Position.y) + std::abs(v.Position.z), 3);

    // Cube 4's corner (1, 1, -1), unrotated: the frame turns by the angle the previous one left.
    // Pure float arithmetic would give y = 452.47662353515625.
    const Vector3& corner = Cubes[4].Vertices[0].Position;
    EXPECT_EQ(corner.x, 450.8255615234375f);
    EXPECT_EQ(corner.y, 452.4766540527344f);
    EXPECT_EQ(corner.z, 19.0f);
}

TEST_F(CubeFrameTest, AngleFollowsTheClockFromTheNextFrameOn)
{
    DrawAt(42500);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
    DrawAt(43000);
    EXPECT_EQ(CubeAngle, AngleAt(43000));

    // The elapsed time is an unsigned difference: a wrapped tick counter gives the same angle.
    StartTick = 0xFFFFFF00u;
    DrawAt(42500);
    EXPECT_EQ(CubeAngle, AngleAt(42500));
}

} // namespace
