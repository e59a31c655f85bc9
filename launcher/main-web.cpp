// Process entry in a web page: the launcher, and then the page is told that the show has ended.
// The runtime's own exit handling is not reached once WinMain has waited for the browser
// (ASYNCIFY), so the page learns it through Module.quenEnded. The page starts main itself
// (callMain), once everything is loaded and the visitor has asked for the show.
#include "launcher/Launch.h"

#include <emscripten.h>

#include <cstdint>

EM_JS(void, NotifyShowEnded, (int code), {
    if (Module["quenEnded"])
        Module["quenEnded"](code);
});

int main(int argc, char** argv)
{
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
    const int code = launch::Run(argc, argv, instance, SW_SHOWNORMAL);
    NotifyShowEnded(code);
    return code;
}
