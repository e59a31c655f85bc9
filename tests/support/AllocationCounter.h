// Counts heap allocations made through operator new, for tests that check that drawing frames
// allocates nothing. Linking this replaces the program's global operator new and delete.
#pragma once

namespace testalloc
{
// Allocations made since the program started.
long Count();
} // namespace testalloc
