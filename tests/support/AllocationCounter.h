// Counts heap allocations made through operator new, for tests that check that drawing frames
// allocates nothing, and makes large ones fail, for tests of running out of memory. Linking this
// replaces the program's global operator new and delete.
#pragma once

#include <cstddef>

namespace testalloc
{
// Allocations made since the program started.
long Count();

// From now on every allocation of more than `bytes` through operator new fails, as when memory
// runs out (throwing std::bad_alloc, or null from the nothrow forms); 0 ends that.
void FailLargerThan(std::size_t bytes);
} // namespace testalloc
