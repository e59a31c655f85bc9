#include "platform/sys/Clock.h"

#include <atomic>
#include <chrono>

namespace
{
std::atomic<bool> virtualClock{false};
std::atomic<std::uint32_t> virtualTicks{0};
} // namespace

namespace sys
{

std::uint32_t TickCount()
{
    if (virtualClock.load(std::memory_order_relaxed))
        return virtualTicks.load(std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
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
