// Drawing frames allocates nothing: every operator new in this program is counted, and 10,000
// frames spread over the whole schedule (the opening and two scroller cycles) must not add one.
#include "robustness/ShowRun.h"

#include "platform/sys/Clock.h"
#include "support/TestAssets.h"
#include "timeline/RenderFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<long> allocations{0};

void* Allocate(std::size_t size, std::size_t alignment = 0)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    void* p = alignment > alignof(std::max_align_t)
                  ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                  : std::malloc(size == 0 ? 1 : size);
    return p;
}
} // namespace

void* operator new(std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    if (void* p = Allocate(size, static_cast<std::size_t>(alignment)))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return operator new(size, alignment);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

namespace
{

class FrameAllocations : public showrun::ShowTest
{
};

TEST_F(FrameAllocations, TenThousandFramesAcrossTheScheduleAllocateNothing)
{
    // The sanitizer build makes every frame ten times slower and sees the same allocations;
    // it draws a quarter of the frames, still over the whole schedule.
#if defined(__SANITIZE_ADDRESS__)
    constexpr int frames = 2500;
#else
    constexpr int frames = 10000;
#endif
    constexpr DWORD span = 3199 * 50; // steps 0 to 3199: the opening, two scroller cycles
    testassets::ScopedChdir in(dir);
    sys::SetVirtualTicks(StartTicks);
    const long beforeStart = allocations.load();
    StartDemo();
    EXPECT_GT(allocations.load(), beforeStart); // the counter works: start-up allocates

    DWORD lastStep = 0;
    long stepsSeen = 0; // distinct steps drawn, to show the frames did cover the schedule
    const long before = allocations.load();
    for (int i = 0; i < frames; ++i)
    {
        sys::SetVirtualTicks(StartTicks +
                             static_cast<DWORD>(static_cast<long long>(span) * i / (frames - 1)));
        RenderFrame();
        stepsSeen += (i == 0 || DemoStep != lastStep) ? 1 : 0;
        lastStep = DemoStep;
    }
    const long during = allocations.load() - before;
    StopDemo();

    EXPECT_EQ(during, 0) << "heap allocations while drawing " << frames << " frames";
    EXPECT_EQ(lastStep, 3199u);
    EXPECT_EQ(stepsSeen, std::min(frames, 3200));
}

} // namespace
