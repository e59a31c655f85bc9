// Process entry where the Windows API is the stand-in: the launcher with the instance handle a
// Windows program is loaded at and the plain show command.
#include "launcher/Launch.h"
#include "platform/sys/Files.h"

#include <cstdint>

int main(int argc, char** argv)
{
    sys::OpenMissingStandardStreams();
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
    return launch::Run(argc, argv, instance, SW_SHOWNORMAL);
}
