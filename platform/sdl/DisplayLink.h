// The demo's hold on its X display, shared inside the SDL platform: what happens when the
// connection to the X server is lost, or another program destroys the window.
#pragma once

#include <SDL.h>

namespace sdl
{

// What the X display offers the window, found before the window is made.
struct DisplayTraits
{
    // Whether OpenGL there may draw on a graphics processor: the X server offers direct
    // rendering (DRI3 or DRI2) or NVIDIA's own GLX. Without it Mesa's OpenGL draws on the
    // processor, and merely loading it to find that out costs about 190 ms and 65 MB.
    bool gpu = true;
    // A visual whose pixels SDL can convert frames to for the window's surface, where the
    // screen's default visual is not one (a depth of 30, or of 8 with a colour map); 0 where it
    // is, or where SDL does not run on X11.
    unsigned long visual = 0;
    // Whether that visual carries alpha (a depth of 32): frames put into it must be opaque.
    bool alpha = false;
};

// WindowSdl, once SDL's video has started and before the window is made: asks the X server
// once, over a connection of its own. Where SDL does not run on X11: a graphics processor is
// assumed and the default visual kept, so OpenGL is tried as before.
DisplayTraits ExamineDisplay();

// WindowSdl, once the window exists: a lost connection to the X server ends the process at
// once with one line and status 1 (Xlib's own handler would exit through handlers that call
// back into SDL on the dead connection, and spin there); errors about the window, once another
// program has destroyed it, are not reported. Does nothing when SDL does not run on X11.
void WatchDisplay(SDL_Window* window);

// WindowSdl, after asking SDL for fullscreen or back: SDL leaves the window's size and place to
// the window manager. Where none runs (a bare X server, a kiosk), moves and resizes the window
// itself to `area`.
void PlaceWithoutWindowManager(SDL_Window* window, const SDL_Rect& area);

// WindowSdl, to close the window: destroys it, and waits for the X server's answers while the
// handler above is in place, so that errors about a window that another program destroyed
// first do not reach Xlib's default handler when SDL shuts down (it prints them and exits 1).
void DestroyWindow(SDL_Window* window);

// WindowSdl, for each event: whether it says the window was destroyed by another program.
bool WindowDestroyed(const SDL_Event& event);

// WindowSdl, for each event: whether it is the X server's report of a key press, which SDL
// passes on just before its own event for the same key; `alt` then says whether Alt was held
// at that press, as the server knows it. SDL's own record can be stale: when a window manager
// held the keyboard while Alt was let go (Alt+Tab), SDL never saw the release.
bool KeyPressed(const SDL_Event& event, bool& alt);

} // namespace sdl
