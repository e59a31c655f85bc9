// Long runs: drawing frames allocates nothing, and a show started a few seconds before the
// 32-bit tick counter wraps (after 49.7 days of up-time) plays through the wrap exactly as a
// show started anywhere else, frame for frame, the cubes' clock-driven angle included.
#include "robustness/ShowRun.h"

#include "support/AllocationCounter.h"
#include "timeline/RenderFrame.h"
#include "timeline/Schedule.h"

#include <algorithm>
#include <string_view>

namespace
{

class LongRun : public showrun::ShowTest
{
  protected:
    // DemoStep and a hash of the back buffer for each frame of a show.
    std::vector<std::pair<DWORD, std::uint64_t>> Play(DWORD startTick,
                                                      const std::vector<DWORD>& elapsedMs)
    {
        std::vector<std::pair<DWORD, std::uint64_t>> frames;
        testassets::ScopedChdir in(dir);
        demo::ShowSession show(startTick);
        for (DWORD elapsed : elapsedMs)
        {
            show.Render(elapsed);
            const demo::FrameView f = show.Frame();
            const auto* bytes = reinterpret_cast<const char*>(f.pixels);
            frames.emplace_back(
                DemoStep, std::hash<std::string_view>{}({bytes, std::size_t(f.pitch) * f.height}));
        }
        return frames;
    }
};

// The wrap 3 s in (the reveal wipe) and 55 s in (the turning cubes); frames every 20 ms
// around it, then every 2017 ms through every segment and a whole scroller cycle.
TEST_F(LongRun, ShowStartedJustBeforeTheTickCounterWrapsPlaysLikeAnyOther)
{
    for (DWORD beforeWrap : {3000u, 55000u})
    {
        std::vector<DWORD> elapsed;
        for (DWORD t = beforeWrap - 2000; t <= beforeWrap + 2000; t += 20)
            elapsed.push_back(t);
        for (DWORD t = 4000; t <= (ShowCycleSteps + 100) * StepMilliseconds; t += 2017)
            elapsed.push_back(t);
        std::sort(elapsed.begin(), elapsed.end());
        const auto wrapping = Play(0u - beforeWrap, elapsed);
        const auto reference = Play(StartTicks, elapsed);
        for (std::size_t i = 0; i < elapsed.size(); ++i)
        {
            ASSERT_EQ(wrapping[i].first, elapsed[i] / 50) << beforeWrap << ", " << elapsed[i];
            ASSERT_EQ(wrapping[i].second, reference[i].second) << beforeWrap << ", " << elapsed[i];
        }
        EXPECT_NE(wrapping.front().second, wrapping.back().second); // not all black
    }
}

TEST_F(LongRun, TenThousandFramesAcrossTheScheduleAllocateNothing)
{
#if defined(__SANITIZE_ADDRESS__) // ten times slower, the same allocations
    constexpr DWORD frames = 2500;
#else
    constexpr DWORD frames = 10000;
#endif
    constexpr DWORD lastStep = ShowCycleSteps + ScrollPeriod + 99; // two scroller cycles
    constexpr DWORD span = lastStep * StepMilliseconds;
    testassets::ScopedChdir in(dir);
    const long beforeStart = testalloc::Count();
    demo::ShowSession show(StartTicks);
    EXPECT_GT(testalloc::Count(), beforeStart); // the counter counts
    const long before = testalloc::Count();
    for (DWORD i = 0; i < frames; ++i)
        show.Render(span * i / (frames - 1));
    EXPECT_EQ(testalloc::Count() - before, 0) << "heap allocations while drawing frames";
    EXPECT_EQ(DemoStep, lastStep);
}

} // namespace
