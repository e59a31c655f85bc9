// The show's clock on Windows: every GetTickCount call of the demo's code reads the platform's
// tick counter (sys::ShowTickCount), as it does through the stand-in elsewhere, so that the
// launcher's start offset and the frame programs' stopped clock reach the show. The demo's code
// calls KERNEL32's GetTickCount through its import pointer; defining that pointer here makes the
// linker use it instead of the one from the import library. No Windows header is included, so
// nothing else declares the name.
#include "platform/sys/Clock.h"

namespace
{
unsigned long __stdcall ShowTicks()
{
    return sys::ShowTickCount();
}
} // namespace

extern "C"
{
    unsigned long(__stdcall* __imp_GetTickCount)() = ShowTicks;
}
