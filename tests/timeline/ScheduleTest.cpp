// Which segments each frame runs, in which order, for which DemoStep. The segments here only
// record their calls.
#include "cubes/CubeFrame.h"
#include "effects/BlobField.h"
#include "effects/IrisScroller.h"
#include "effects/PulsingBlend.h"
#include "effects/RevealWipe.h"
#include "effects/SineWarp.h"
#include "platform/sys/Clock.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

VornGFX* GfxDevice = nullptr;
DWORD StartTick = 0;

namespace
{

std::vector<std::string> calls;

void Record(const char* name, DWORD step)
{
    // The stand-ins draw a mark, so that whether the frame was cleared shows.
    EXPECT_FALSE(GfxDevice->BackBuffer->Locked);
    EXPECT_EQ(step, DemoStep) << name;
    calls.push_back(std::string(name) + "@" + std::to_string(step));
    GfxDevice->BackBuffer->Pixels[0] = 0xFFFFFF;
}

} // namespace

void RevealWipe(DWORD step)
{
    Record("wipe", step);
}
void FadeToBlack(DWORD step)
{
    Record("fade", step);
}
void DrawBlobField(DWORD step)
{
    Record("blob", step);
}
void PulsingBlend(DWORD step)
{
    Record("blend", step);
}
void SineRowWarp(DWORD step)
{
    Record("warp", step);
}
void DrawCubes()
{
    Record("cubes", DemoStep);
}
void IrisWipe(DWORD step)
{
    Record("iris", step);
}
void Scroller(DWORD step)
{
    Record("scroller", step);
}

namespace
{

class Schedule : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        GfxDevice = new VornGFX(800, 600, 32, 1, 2);
        StartTick = 5000;
    }
    void TearDown() override
    {
        delete GfxDevice;
        GfxDevice = nullptr;
        sys::UseRealTicks();
    }

    // The calls of one frame at `elapsed` milliseconds, joined by spaces.
    std::string FrameAt(DWORD elapsed)
    {
        calls.clear();
        sys::SetVirtualTicks(StartTick + elapsed);
        GfxDevice->BackBuffer->Pixels[0] = 0x123456;
        RenderFrame();
        std::string joined;
        for (const std::string& c : calls)
            joined += (joined.empty() ? "" : " ") + c;
        return joined;
    }
    std::string FrameAtStep(DWORD step) { return FrameAt(step * 50); }
};

TEST_F(Schedule, StepIsElapsedMillisecondsOverFifty)
{
    EXPECT_EQ(FrameAt(0), "wipe@0");
    EXPECT_EQ(FrameAt(49), "wipe@0");
    EXPECT_EQ(FrameAt(50), "wipe@1");
    EXPECT_EQ(FrameAt(10049), "wipe@200");
    EXPECT_EQ(FrameAt(10050), "fade@201");
    // Large elapsed times, where a naive float product would round up.
    for (DWORD elapsed : {4294967295u, 4294967249u, 4294967250u, 999999999u, 2147483647u})
    {
        FrameAt(elapsed);
        EXPECT_EQ(DemoStep, elapsed / 50) << elapsed;
    }
}

TEST_F(Schedule, BoundaryStepsRunTheRightSegmentsInFrameOrder)
{
    const struct
    {
        DWORD step;
        const char* calls;
    } frames[] = {
        {200, "wipe@200"},
        {201, "fade@201"},
        {249, "fade@249"},
        {250, "blob@250"},
        {454, "blob@454"},
        {455, ""},
        {456, ""},
        {457, "blend@457"},
        {557, "blend@557"},
        {558, "blend@558"},
        {671, "blend@671"},
        {672, "warp@672"},
        {849, "warp@849"},
        {850, "warp@850 cubes@850 iris@850"},
        {949, "warp@949 cubes@949 iris@949"},
        {950, "cubes@950"},
        {1299, "cubes@1299"},
        {1300, "scroller@1300"},
        {2200, "scroller@2200"},
        {85899345, "scroller@85899345"},
    };
    for (const auto& f : frames)
        EXPECT_EQ(FrameAtStep(f.step), f.calls) << "step " << f.step;
}

// The clear is left out only where the segments due write every pixel themselves.
TEST_F(Schedule, FramesThatShowTheClearAreBlack)
{
    FrameAtStep(455); // no segment: the clear alone
    EXPECT_EQ(GfxDevice->BackBuffer->Pixels[0], 0u);
    FrameAtStep(100);
    EXPECT_EQ(GfxDevice->BackBuffer->Pixels[0], 0xFFFFFFu);
}

TEST_F(Schedule, TickCounterWrappingThroughZeroKeepsTheStep)
{
    StartTick = 0xFFFFFFFFu - 2000; // two seconds before the counter wraps
    for (DWORD elapsed : {0u, 1999u, 2000u, 2001u, 12549u, 12550u})
    {
        calls.clear();
        sys::SetVirtualTicks(StartTick + elapsed); // wraps modulo 2^32
        RenderFrame();
        EXPECT_EQ(DemoStep, elapsed / 50) << elapsed;
    }
    EXPECT_EQ(calls.front(), "blob@251");
}

} // namespace
