// The frame program's clock: every GetTickCount call of the demo's code in this program reads
// the platform's tick counter, which the program stops at chosen values. The demo's code calls
// KERNEL32's GetTickCount through its import pointer; defining that pointer here makes the
// linker use it instead of the one from the import library. No Windows header is included, so
// nothing else declares the name.
#include "platform/sys/Clock.h"

namespace
{
unsigned long __stdcall FrameTickCount()
{
    return sys::TickCount();
}
} // namespace

extern "C"
{
    unsigned long(__stdcall* __imp_GetTickCount)() = FrameTickCount;
}
