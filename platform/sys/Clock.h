// Time service: the millisecond counter behind the Win32 stand-in's GetTickCount (on Windows the
// demo reads the real one). Tests and the capture tool freeze it at chosen values.
#pragma once

#include <cstdint>

namespace sys
{

// GetTickCount: milliseconds from a monotonic clock, wrapping at 2^32.
std::uint32_t TickCount();

// Tests and the capture tool: TickCount returns `ticks` from now on, until the next call.
void SetVirtualTicks(std::uint32_t ticks);

// Undoes SetVirtualTicks: TickCount follows the monotonic clock again.
void UseRealTicks();

} // namespace sys
