#include "support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Kept in a translation unit of its own, so that no caller sees malloc and free behind them.
namespace
{
std::atomic<long> allocations{0};
std::atomic<std::size_t> largest{0}; // 0: no limit
} // namespace

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t limit = largest.load(std::memory_order_relaxed);
    if (limit != 0 && size > limit)
        throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
// The nothrow forms too, so that every allocation comes from malloc and is counted (a sanitizer
// would otherwise serve them itself and see them freed by free).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return operator new(size);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept
{
    return operator new(size, nothrow);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace testalloc
{
long Count()
{
    return allocations.load(std::memory_order_relaxed);
}

void FailLargerThan(std::size_t bytes)
{
    largest.store(bytes, std::memory_order_relaxed);
}
} // namespace testalloc
