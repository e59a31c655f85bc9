// A show started a few seconds before the 32-bit tick counter wraps (after 49.7 days of system
// up-time) goes on through the wrap exactly as a show started anywhere else: the same steps
// and the same pictures, frame for frame, the cubes' clock-driven angle included.
#include "robustness/ShowRun.h"

#include "cubes/CubeFrame.h"
#include "platform/sys/Clock.h"
#include "support/TestAssets.h"
#include "timeline/RenderFrame.h"

#include <gtest/gtest.h>

namespace
{

// Frames of one show: DemoStep and a hash of the back buffer for each.
struct Frames
{
    std::vector<DWORD> steps;
    std::vector<std::uint64_t> hashes;
};

std::uint64_t Hash(const IDirectDrawSurface7* s)
{
    std::uint64_t h = 1469598103934665603ull; // FNV-1a over the pixels
    for (std::size_t i = 0, n = std::size_t{s->Width} * s->Height; i < n; ++i)
        h = (h ^ s->Pixels[i]) * 1099511628211ull;
    return h;
}

class ClockWrap : public showrun::ShowTest
{
  protected:
    // The whole show from `startTick` on, one frame for each of `elapsedMs`.
    Frames Play(DWORD startTick, const std::vector<DWORD>& elapsedMs)
    {
        Frames frames;
        testassets::ScopedChdir in(dir);
        sys::SetVirtualTicks(startTick);
        CubeAngle = 0.0f; // as in a fresh process
        StartDemo();
        EXPECT_EQ(StartTick, startTick);
        for (DWORD elapsed : elapsedMs)
        {
            sys::SetVirtualTicks(startTick + elapsed); // modulo 2^32
            RenderFrame();
            frames.steps.push_back(DemoStep);
            frames.hashes.push_back(Hash(GfxDevice->BackBuffer));
        }
        StopDemo();
        return frames;
    }
};

TEST_F(ClockWrap, ShowStartedJustBeforeTheWrapPlaysLikeAnyOther)
{
    // The wrap comes 3 s in, during the reveal wipe; frames every 25 ms around it, then about
    // every 40 steps through every segment and a whole scroller cycle.
    constexpr DWORD beforeWrap = 3000;
    std::vector<DWORD> elapsed;
    for (DWORD t = 2000; t <= 4000; t += 25)
        elapsed.push_back(t);
    for (DWORD t = 4000; t <= 2300 * 50; t += 2000 + 17)
        elapsed.push_back(t);

    const Frames wrapping = Play(0xFFFFFFFFu - beforeWrap + 1, elapsed);
    const Frames reference = Play(StartTicks, elapsed);

    ASSERT_EQ(wrapping.steps.size(), elapsed.size());
    for (std::size_t i = 0; i < elapsed.size(); ++i)
    {
        ASSERT_EQ(wrapping.steps[i], elapsed[i] / 50) << "at " << elapsed[i] << " ms";
        ASSERT_EQ(wrapping.hashes[i], reference.hashes[i]) << "at " << elapsed[i] << " ms";
    }
    // Around the wrap the steps go on one by one: 59 at 2975 ms, 60 at 3000 ms (tick 0).
    EXPECT_EQ(wrapping.steps[39], 59u); // 2975 ms
    EXPECT_EQ(wrapping.steps[40], 60u); // 3000 ms
}

TEST_F(ClockWrap, CubesKeepTurningSmoothlyAcrossTheWrap)
{
    // The wrap comes in the middle of the cube segment (step 1100, 55 s in).
    constexpr DWORD beforeWrap = 55000;
    std::vector<DWORD> elapsed;
    for (DWORD t = 53000; t <= 57000; t += 40)
        elapsed.push_back(t);
    const Frames wrapping = Play(0xFFFFFFFFu - beforeWrap + 1, elapsed);
    const Frames reference = Play(StartTicks, elapsed);
    for (std::size_t i = 0; i < elapsed.size(); ++i)
    {
        ASSERT_EQ(wrapping.steps[i], elapsed[i] / 50) << "at " << elapsed[i] << " ms";
        ASSERT_EQ(wrapping.hashes[i], reference.hashes[i]) << "at " << elapsed[i] << " ms";
    }
    // The cubes really turned between the frames compared.
    EXPECT_NE(wrapping.hashes.front(), wrapping.hashes.back());
}

} // namespace
