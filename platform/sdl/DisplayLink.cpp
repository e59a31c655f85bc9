#include "platform/sdl/DisplayLink.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace
{

std::atomic<Window> watched{0};
XErrorHandler previousHandler = nullptr;

int LostDisplay(Display*)
{
    static const char line[] = "quen: lost the connection to the display\n";
    (void)!write(STDERR_FILENO, line, sizeof line - 1);
    _exit(1); // no exit handlers: they would call into SDL on the dead connection
}

// Requests about a window that another program destroyed fail until the close request that
// its DestroyNotify made has been handled; they are expected, and say nothing new.
int ReportError(Display* display, XErrorEvent* error)
{
    const bool aboutOurWindow = watched != 0 && error->resourceid == watched;
    if (aboutOurWindow || error->error_code == BadWindow || error->error_code == BadDrawable)
        return 0;
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

bool X11Info(SDL_Window* window, SDL_SysWMinfo& info)
{
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}

Window XWindowOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    return X11Info(window, info) ? info.info.x11.window : 0;
}

// An EWMH window manager names its check window on the root window.
bool WindowManagerRuns(Display* display)
{
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        type == XA_WINDOW && count == 1;
    if (data != nullptr)
        XFree(data);
    return found;
}

} // namespace

namespace sdl
{

void WatchDisplay(SDL_Window* window)
{
    const Window x = XWindowOf(window);
    if (x == 0)
        return;
    watched = x;
    XSetIOErrorHandler(LostDisplay);
    // SDL keeps its own handler and swaps in temporary ones around some calls, restoring
    // whatever was current: installed after SDL's, this one stays in place and passes on the
    // errors it does not expect.
    const XErrorHandler previous = XSetErrorHandler(ReportError);
    if (previous != ReportError)
        previousHandler = previous;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void PlaceWithoutWindowManager(SDL_Window* window, const SDL_Rect& area)
{
    SDL_SysWMinfo info;
    if (!X11Info(window, info) || WindowManagerRuns(info.info.x11.display))
        return;
    XMoveResizeWindow(info.info.x11.display, info.info.x11.window, area.x, area.y,
                      static_cast<unsigned>(area.w), static_cast<unsigned>(area.h));
    XFlush(info.info.x11.display);
}

void DestroyWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    Display* display = X11Info(window, info) ? info.info.x11.display : nullptr;
    SDL_DestroyWindow(window);
    if (display != nullptr)
        XSync(display, False);
    watched = 0;
}

bool WindowDestroyed(const SDL_Event& event)
{
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type != DestroyNotify)
        return false;
    // SDL replaces its X window when a renderer needs another kind: the old one's end is not
    // the window's.
    return x.xdestroywindow.window == watched;
}

} // namespace sdl
