#include "platform/sys/Clock.h"

#include <atomic>
#include <chrono>

namespace
{
std::atomic<bool> virtualClock{false};
std::atomic<std::uint32_t> virtualTicks{0};

// The real counter is the monotonic clock's milliseconds plus `offset`; while `held` it reads
// `heldAt`. Read from the audio thread too, hence atomics.
std::atomic<std::uint32_t> offset{0};
std::atomic<bool> held{false};
std::atomic<std::uint32_t> heldAt{0};
std::atomic<std::uint32_t> jumps{0};

// The show's readings, on the show's thread alone.
std::uint32_t startOffset = 0;
bool startTaken = false;
std::uint32_t startReading = 0;
bool frameOpen = false;         // the next show reading is a frame's time
std::uint32_t frameReading = 0; // the time of the frame being drawn
bool frameShown = false;
std::uint32_t shownReading = 0; // the time of the frame on screen

std::uint32_t MonotonicMs()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
} // namespace

namespace sys
{

std::uint32_t TickCount()
{
    if (virtualClock.load(std::memory_order_relaxed))
        return virtualTicks.load(std::memory_order_relaxed);
    if (held.load(std::memory_order_acquire))
        return heldAt.load(std::memory_order_relaxed);
    return MonotonicMs() + offset.load(std::memory_order_relaxed);
}

std::uint32_t ShowTickCount()
{
    const std::uint32_t now = TickCount();
    if (!startTaken)
    {
        startTaken = true;
        startReading = now;
        frameOpen = true;
        if (startOffset != 0)
        {
            offset.fetch_add(startOffset, std::memory_order_relaxed);
            heldAt.fetch_add(startOffset, std::memory_order_relaxed);
            startOffset = 0;
            jumps.fetch_add(1, std::memory_order_release);
        }
        return now;
    }
    if (frameOpen)
    {
        frameOpen = false;
        frameReading = now;
    }
    return now;
}

void SetStartOffset(std::uint32_t ms)
{
    startOffset = ms;
}

std::uint32_t PendingStartOffset()
{
    return startOffset;
}

std::uint32_t TickJumps()
{
    return jumps.load(std::memory_order_acquire);
}

void HoldTicks(bool hold)
{
    if (hold == held.load(std::memory_order_relaxed))
        return;
    if (hold)
    {
        heldAt.store(TickCount(), std::memory_order_relaxed);
        held.store(true, std::memory_order_release);
    }
    else
    {
        // Going on from the value held: the time held passes the counter by.
        offset.store(heldAt.load(std::memory_order_relaxed) - MonotonicMs(),
                     std::memory_order_relaxed);
        held.store(false, std::memory_order_release);
    }
}

bool TicksHeld()
{
    return held.load(std::memory_order_acquire);
}

void NoteFramePresented()
{
    if (!startTaken || frameOpen)
        return; // no reading since the last frame: the frame on screen is unchanged
    frameShown = true;
    shownReading = frameReading;
    frameOpen = true;
}

bool ShownFrameTime(std::uint32_t& ms)
{
    ms = shownReading - startReading;
    return frameShown;
}

void SetVirtualTicks(std::uint32_t ticks)
{
    virtualTicks.store(ticks, std::memory_order_relaxed);
    virtualClock.store(true, std::memory_order_relaxed);
}

void UseRealTicks()
{
    virtualClock.store(false, std::memory_order_relaxed);
}

} // namespace sys
