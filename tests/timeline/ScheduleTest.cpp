// Which segments each frame runs, in which order, for which DemoStep. The segments here only
// record their calls.
#include "cubes/CubeFrame.h"
#include "effects/BlobField.h"
#include "effects/IrisScroller.h"
#include "effects/PulsingBlend.h"
#include "effects/RevealWipe.h"
#include "effects/SineWarp.h"
#include "platform/sys/Clock.h"
#include "show/Geometry.h"
#include "show/ShowState.h"
#include "timeline/RenderFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{

std::vector<std::string> calls;

void Record(const char* name, DWORD step)
{
    EXPECT_FALSE(GfxDevice->BackBuffer->Locked);
    EXPECT_EQ(step, DemoStep) << name;
    calls.push_back(std::string(name) + "@" + std::to_string(step));
    GfxDevice->BackBuffer->Pixels[0] = 0xFFFFFF;
}

} // namespace

// Each stand-in records its call.
#define RECORDING_SEGMENT(routine, name)                                                           \
    void routine(DWORD step)                                                                       \
    {                                                                                              \
        Record(name, step);                                                                        \
    }
RECORDING_SEGMENT(RevealWipe, "wipe")
RECORDING_SEGMENT(FadeToBlack, "fade")
RECORDING_SEGMENT(DrawBlobField, "blob")
RECORDING_SEGMENT(PulsingBlend, "blend")
RECORDING_SEGMENT(SineRowWarp, "warp")
RECORDING_SEGMENT(IrisWipe, "iris")
RECORDING_SEGMENT(Scroller, "scroller")
void DrawCubes()
{
    Record("cubes", DemoStep);
}

namespace
{

class Schedule : public ::testing::Test
{
  protected:
    void SetUp() override { GfxDevice = new VornGFX(ScreenWidth, ScreenHeight, 32, 1, 2); }
    void TearDown() override
    {
        delete std::exchange(GfxDevice, nullptr);
        sys::UseRealTicks();
    }

    // The calls of one frame at `elapsed` milliseconds, joined by spaces; "black" when no segment
    // runs and the frame is cleared.
    std::string FrameAt(DWORD elapsed)
    {
        calls.clear();
        sys::SetVirtualTicks(StartTick + elapsed);
        GfxDevice->BackBuffer->Pixels[0] = 0x123456;
        RenderFrame();
        if (calls.empty()) // nothing drawn: the frame shows the clear
            return GfxDevice->BackBuffer->Pixels[0] == 0 ? "black" : "not cleared";
        std::string joined;
        for (const std::string& c : calls)
            joined += (joined.empty() ? "" : " ") + c;
        return joined;
    }
};

// The step is the elapsed time over 50 ms, an unsigned difference of tick counts: the same from
// any start, also one two seconds before the counter wraps through zero. At large elapsed times
// a naive float product would round up.
TEST_F(Schedule, StepsRunTheRightSegmentsInFrameOrderFromAnyStartTick)
{
    const std::pair<DWORD, const char*> frames[] = {{0, "wipe@0"},
                                                    {49, "wipe@0"},
                                                    {50, "wipe@1"},
                                                    {10049, "wipe@200"},
                                                    {10050, "fade@201"},
                                                    {249 * 50, "fade@249"},
                                                    {250 * 50, "blob@250"},
                                                    {454 * 50, "blob@454"},
                                                    {455 * 50, "black"},
                                                    {456 * 50 + 49, "black"},
                                                    {457 * 50, "blend@457"},
                                                    {671 * 50, "blend@671"},
                                                    {672 * 50, "warp@672"},
                                                    {849 * 50, "warp@849"},
                                                    {850 * 50, "warp@850 cubes@850 iris@850"},
                                                    {949 * 50, "warp@949 cubes@949 iris@949"},
                                                    {950 * 50, "cubes@950"},
                                                    {1299 * 50, "cubes@1299"},
                                                    {1300 * 50, "scroller@1300"},
                                                    {999999999, "scroller@19999999"},
                                                    {4294967249u, "scroller@85899344"},
                                                    {4294967250u, "scroller@85899345"},
                                                    {4294967295u, "scroller@85899345"}};
    for (DWORD start : {5000u, 0xFFFFFFFFu - 2000})
    {
        StartTick = start;
        for (const auto& [elapsed, expected] : frames)
            EXPECT_EQ(FrameAt(elapsed), expected) << "start " << start << ", " << elapsed << " ms";
    }
}

} // namespace
