// Frames rendered in-process with the virtual clock: DemoStep follows elapsed time, frames
// depend on the clock alone, and the cubes' angle follows the cube frame before.
#include "CaptureTestSupport.h"

#include "cubes/CubeFrame.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace capture;
using namespace capturetest;

namespace
{

// The angle a cube frame at elapsed time t leaves for the next one: one radian per second,
// through the single-precision 0.001.
float AngleAfterCubeFrameAt(std::uint32_t t)
{
    return static_cast<float>(static_cast<double>(t) * double{0.001f});
}

bool AllBlack(const std::vector<std::uint32_t>& pixels)
{
    return std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p == 0; });
}

class ShowSessionTest : public ::testing::Test
{
  protected:
    ScopedCurrentPath inAssets{AssetsDir};
};

} // namespace

TEST_F(ShowSessionTest, DemoStepIsElapsedTimeOverFifty)
{
    ShowSession session;
    const std::pair<std::uint32_t, DWORD> cases[] = {{0, 0},
                                                     {49, 0},
                                                     {50, 1},
                                                     {10049, 200},
                                                     {10050, 201},
                                                     {12499, 249},
                                                     {12500, 250},
                                                     {22750, 455},
                                                     {42500, 850},
                                                     {65000, 1300},
                                                     {4294967295u, 85899345}};
    for (const auto& [elapsed, step] : cases)
    {
        session.Render(elapsed);
        EXPECT_EQ(DemoStep, step) << "at " << elapsed << " ms";
    }
}

TEST_F(ShowSessionTest, StartTickIsTheClockAtStartUpAndElapsedTimeWrapsWithIt)
{
    {
        ShowSession session(123456);
        EXPECT_EQ(StartTick, 123456u);
    }
    // A clock that passes through zero during the show changes nothing.
    ShowSession session(0xFFFFFF00u);
    EXPECT_EQ(StartTick, 0xFFFFFF00u);
    session.Render(10050);
    EXPECT_EQ(DemoStep, 201u);
}

TEST_F(ShowSessionTest, StepBoundariesShowInThePictures)
{
    const auto frames = RenderSequence({0, 49, 50, 10000, 10049, 10050, 10099, 22749, 22800});
    EXPECT_EQ(frames[0], frames[1]) << "0 and 49 ms are both step 0";
    EXPECT_NE(frames[1], frames[2]) << "50 ms is step 1: the wipe has moved";
    EXPECT_EQ(frames[3], frames[4]) << "10000 and 10049 ms are both step 200";
    EXPECT_NE(frames[4], frames[5]) << "10050 ms is step 201, the first fade frame";
    EXPECT_EQ(frames[5], frames[6]) << "10050 and 10099 ms are both step 201";
    EXPECT_FALSE(AllBlack(frames[7])) << "22749 ms is step 454, the blob field";
    EXPECT_TRUE(AllBlack(frames[8])) << "22800 ms is step 456, a black frame";
}

TEST_F(ShowSessionTest, FramesDependOnlyOnElapsedTime)
{
    const auto run = RenderSequence({12500, 0, 45000, 60000, 30000, 70000, 12500});
    EXPECT_FALSE(AllBlack(run[0]));
    EXPECT_EQ(run[0], run[6]) << "12500 ms rendered again after other frames";
    EXPECT_EQ(run[0], RenderSequence({12500})[0]) << "12500 ms in a run of its own";
    // Every frame outside the cube interval matches a fresh run, whatever came before.
    EXPECT_EQ(run[1], RenderSequence({0})[0]);
    EXPECT_EQ(run[4], RenderSequence({30000})[0]);
    EXPECT_EQ(run[5], RenderSequence({70000})[0]);
}

TEST_F(ShowSessionTest, FramesDoNotDependOnTheClockValueAtStartUp)
{
    std::vector<std::uint32_t> early, wrapped;
    {
        ShowSession session(1000);
        session.Render(12500);
        early = Snapshot(session);
    }
    {
        ShowSession session(0xFFFFF000u);
        session.Render(12500);
        wrapped = Snapshot(session);
    }
    EXPECT_EQ(early, wrapped);
}

TEST_F(ShowSessionTest, CubeAngleIsSetAtTheEndOfEachCubeFrameOnly)
{
    ShowSession session;
    EXPECT_EQ(CubeAngle, 0.0f);
    session.Render(30000); // the row warp: no cubes
    EXPECT_EQ(CubeAngle, 0.0f);
    session.Render(43000); // first cube frame, step 860
    EXPECT_EQ(CubeAngle, AngleAfterCubeFrameAt(43000));
    session.Render(12500); // the blob field leaves the angle alone
    EXPECT_EQ(CubeAngle, AngleAfterCubeFrameAt(43000));
    session.Render(60000);
    EXPECT_EQ(CubeAngle, AngleAfterCubeFrameAt(60000));
    session.Render(70000); // the scroller
    EXPECT_EQ(CubeAngle, AngleAfterCubeFrameAt(60000));
}

TEST_F(ShowSessionTest, SecondCubeFrameTurnsByTheTimeOfThePreviousCubeFrame)
{
    // The frame at 60 s drawn after a cube frame at 43 s...
    const auto direct = RenderSequence({43000, 60000});
    // ...is the same when frames without cubes come in between,
    const auto interleaved = RenderSequence({43000, 12500, 30000, 60000});
    EXPECT_EQ(direct[1], interleaved[3]);
    // differs when the cube frame before it was at another time,
    EXPECT_NE(direct[1], RenderSequence({47000, 60000})[1]);
    // and differs from a first cube frame, which is drawn unrotated.
    EXPECT_NE(direct[1], RenderSequence({60000})[0]);
}

TEST_F(ShowSessionTest, FirstCubeFrameIsUnrotatedWhateverItsTime)
{
    // The cubes alone at steps 1200 and 1280, both with angle 0: the same picture.
    const auto first = RenderSequence({60000})[0];
    EXPECT_FALSE(AllBlack(first));
    EXPECT_EQ(first, RenderSequence({5000, 64000})[1]);
}

TEST_F(ShowSessionTest, ACubeFrameRenderedTwiceTurnsOnceThenHolds)
{
    const auto frames = RenderSequence({60000, 60000, 60000});
    EXPECT_NE(frames[0], frames[1]) << "angle 0, then the angle of 60 s";
    EXPECT_EQ(frames[1], frames[2]) << "the angle of 60 s both times";
}

TEST_F(ShowSessionTest, MusicIsFoundBesideThePictures)
{
    ShowSession session;
    EXPECT_TRUE(session.HasMusic());
}

TEST(ShowSessionWithoutAssets, RunsSilentlyWithBlackPictures)
{
    TempFolder empty;
    ScopedCurrentPath inEmpty(empty.Path());
    ShowSession session;
    EXPECT_FALSE(session.HasMusic());
    session.Render(5000); // the reveal wipe of a picture that could not be loaded
    EXPECT_TRUE(AllBlack(Snapshot(session)));
    const FrameView frame = session.Frame();
    EXPECT_EQ(frame.width, 800);
    EXPECT_EQ(frame.height, 600);
}
