// Frames rendered in-process with the virtual clock: DemoStep follows elapsed time, frames
// depend on the clock alone, and the cubes' angle follows the cube frame before.
#include "CaptureTestSupport.h"

#include "cubes/CubeFrame.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

using namespace capturetest;

namespace
{

bool AllBlack(const Pixels& pixels)
{
    return std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p == 0; });
}

} // namespace

TEST(ShowSession, DemoStepIsElapsedTimeOverFifty)
{
    // The clock passes through zero during this show: elapsed time wraps with it.
    const std::vector<std::uint32_t> times = {0, 49, 50, 10049, 10050, 4294967295u};
    const DWORD steps[] = {0, 0, 1, 200, 201, 85899345};
    RenderSequence(times, 0xFFFFFF00u,
                   [&](std::size_t i)
                   {
                       EXPECT_EQ(StartTick, 0xFFFFFF00u);
                       EXPECT_EQ(DemoStep, steps[i]) << times[i] << " ms";
                   });
}

TEST(ShowSession, StepBoundariesShowInThePictures)
{
    const auto f = RenderSequence({0, 49, 50, 10000, 10049, 10050, 10099, 22749, 22800});
    EXPECT_EQ(f[0], f[1]) << "0 and 49 ms are both step 0";
    EXPECT_NE(f[1], f[2]) << "50 ms is step 1: the wipe has moved";
    EXPECT_EQ(f[3], f[4]) << "10000 and 10049 ms are both step 200";
    EXPECT_NE(f[4], f[5]) << "10050 ms is step 201, the first fade frame";
    EXPECT_EQ(f[5], f[6]) << "10050 and 10099 ms are both step 201";
    EXPECT_FALSE(AllBlack(f[7])) << "22749 ms is step 454, the blob field";
    EXPECT_TRUE(AllBlack(f[8])) << "22800 ms is step 456, a black frame";
}

TEST(ShowSession, FramesWithoutCubesDependOnlyOnElapsedTime)
{
    const std::vector<std::uint32_t> times = {12500, 0, 45000, 60000, 30000, 70000, 12500};
    const auto run = RenderSequence(times);
    EXPECT_FALSE(AllBlack(run[0]));
    EXPECT_EQ(run[0], run[6]) << "12500 ms again after other frames";
    for (std::size_t i : {0, 1, 4, 5})
        EXPECT_EQ(run[i], RenderSequence({times[i]})[0]) << times[i] << " ms in a run of its own";
    EXPECT_EQ(run[0], RenderSequence({12500}, 0xFFFFF000u)[0]) << "another clock at start-up";
}

TEST(ShowSession, CubeAngleIsTheTimeOfThePreviousCubeFrame)
{
    // Set at the end of cube frames only: one radian per second, through the float 0.001.
    const std::vector<std::uint32_t> times = {30000, 43000, 12500, 60000, 70000};
    const std::uint32_t lastCubes[] = {0, 43000, 43000, 60000, 60000};
    RenderSequence(times, 1000,
                   [&](std::size_t i) {
                       EXPECT_EQ(CubeAngle, static_cast<float>(lastCubes[i] * double{0.001f}))
                           << times[i];
                   });
    const auto turned = RenderSequence({43000, 60000})[1];
    EXPECT_EQ(turned, RenderSequence({43000, 12500, 30000, 60000})[3]) << "no cubes in between";
    EXPECT_NE(turned, RenderSequence({47000, 60000})[1]) << "another cube frame before";
    const auto again = RenderSequence({60000, 60000, 60000});
    EXPECT_FALSE(AllBlack(again[0]));
    EXPECT_EQ(again[0], RenderSequence({5000, 64000})[1]) << "a first cube frame is unrotated";
    EXPECT_NE(again[0], again[1]) << "rendered again, it turns by its own time";
    EXPECT_EQ(again[1], again[2]) << "and then holds";
}
