// What a show session adds to the demo's own frame code (whose steps ScheduleTest and LongRunTest
// check): frames depend on the elapsed time alone, whatever the clock read at start-up, and each
// session starts as a fresh process does, with the cubes unrotated; their angle then follows the
// cube frame before.
#include "CaptureTestSupport.h"

#include "cubes/CubeFrame.h"

using namespace capturetest;

TEST(ShowSession, FramesWithoutCubesDependOnlyOnElapsedTime)
{
    const std::vector<std::uint32_t> times = {12500, 0, 45000, 60000, 30000, 70000, 12500};
    const auto run = RenderSequence(times);
    EXPECT_NE(run[0], Pixels(800 * 600, 0));
    EXPECT_EQ(run[0], run[6]) << "12500 ms again after other frames";
    for (std::size_t i : {0, 1, 4, 5})
        EXPECT_EQ(run[i], RenderSequence({times[i]})[0]) << times[i] << " ms in a run of its own";
    EXPECT_EQ(run[0], RenderSequence({12500}, 0xFFFFF000u)[0]) << "another clock at start-up";
}

TEST(ShowSession, EachSessionStartsWithTheCubesUnrotated)
{
    // Set at the end of cube frames only: one radian per second, through the float 0.001.
    const std::vector<std::uint32_t> times = {30000, 43000, 12500, 60000};
    const std::uint32_t lastCubes[] = {0, 43000, 43000, 60000};
    RenderSequence(times, 1000,
                   [&](std::size_t i) {
                       EXPECT_EQ(CubeAngle, static_cast<float>(lastCubes[i] * double{0.001f}))
                           << times[i];
                   });
    // The session before ended at an angle of 60 s; this one starts unrotated again.
    const auto again = RenderSequence({60000, 60000});
    EXPECT_EQ(again[0], RenderSequence({5000, 64000})[1]) << "a first cube frame is unrotated";
    EXPECT_NE(again[0], again[1]) << "rendered again, it turns by its own time";
}
