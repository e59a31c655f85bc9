// Process entry in a web page: runs the demo's WinMain and then tells the page that the show
// has ended. The runtime's own exit handling is not reached once WinMain has waited for the
// browser (ASYNCIFY), so the page learns it through Module.quenEnded.
#include <windows.h>

#include <emscripten.h>

EM_JS(void, NotifyShowEnded, (int code), {
    if (Module["quenEnded"])
        Module["quenEnded"](code);
});

int main()
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
    const int code = WinMain(instance, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    NotifyShowEnded(code);
    return code;
}
