#include "platform/sdl/DisplayLink.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
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

// The pixel format SDL 2 gives the window's surface on this visual, worked out as SDL does:
// from the masks of a true or direct colour visual and its depth (or, at depth 24, the bits per
// pixel of its images). Unknown for colour-mapped visuals and for a depth of 30, where SDL
// cannot make the surface.
Uint32 SurfaceFormat(Display* display, const XVisualInfo& visual)
{
    if (visual.c_class != TrueColor && visual.c_class != DirectColor)
        return SDL_PIXELFORMAT_UNKNOWN;
    int bits = visual.depth;
    int count = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(display, &count))
    {
        for (int i = 0; i < count; ++i)
            if (bits == 24 && formats[i].depth == 24)
                bits = formats[i].bits_per_pixel;
        XFree(formats);
    }
    return SDL_MasksToPixelFormatEnum(bits, static_cast<Uint32>(visual.red_mask),
                                      static_cast<Uint32>(visual.green_mask),
                                      static_cast<Uint32>(visual.blue_mask), 0);
}

// How much a visual SDL can draw into is preferred (higher is better; 0: unusable): true colour
// before direct colour (which SDL gives a colour map of its own), then by depth, the full 8 bits
// a channel first and the depth that carries alpha after the others.
int Preference(Display* display, const XVisualInfo& visual)
{
    if (SurfaceFormat(display, visual) == SDL_PIXELFORMAT_UNKNOWN)
        return 0;
    int rank = 0;
    for (int depth : {8, 15, 16, 32, 24})
    {
        ++rank;
        if (visual.depth == depth)
            return rank + (visual.c_class == TrueColor ? 10 : 0);
    }
    return 0;
}

} // namespace

namespace sdl
{

DisplayTraits ExamineDisplay()
{
    DisplayTraits traits;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0)
        return traits;
    Display* display = XOpenDisplay(nullptr); // where SDL's own connection went
    if (display == nullptr)
        return traits;
    int opcode = 0, event = 0, error = 0;
    traits.gpu = false;
    for (const char* direct : {"DRI3", "DRI2", "NV-GLX"})
        traits.gpu = traits.gpu || XQueryExtension(display, direct, &opcode, &event, &error);
    // The screen's default visual where SDL can draw into it; else the best one it can.
    XVisualInfo wanted = {};
    wanted.screen = DefaultScreen(display);
    const VisualID fallback = XVisualIDFromVisual(DefaultVisual(display, wanted.screen));
    int count = 0;
    XVisualInfo* visuals = XGetVisualInfo(display, VisualScreenMask, &wanted, &count);
    const XVisualInfo* best = nullptr;
    for (int i = 0; i < count; ++i)
    {
        if (visuals[i].visualid == fallback && Preference(display, visuals[i]) > 0)
        {
            best = nullptr;
            break;
        }
        if (Preference(display, visuals[i]) > (best ? Preference(display, *best) : 0))
            best = &visuals[i];
    }
    if (best != nullptr)
    {
        traits.visual = best->visualid;
        traits.alpha = best->depth == 32;
    }
    if (visuals != nullptr)
        XFree(visuals);
    XCloseDisplay(display);
    return traits;
}

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

bool KeyPressed(const SDL_Event& event, bool& alt)
{
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type != KeyPress)
        return false;
    alt = (x.xkey.state & Mod1Mask) != 0;
    return true;
}

} // namespace sdl
