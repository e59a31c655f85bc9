// The demo's hold on its X display, shared inside the SDL platform: what happens when the
// connection to the X server is lost, or another program destroys the window.
#pragma once

#include <SDL.h>

namespace sdl
{

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

} // namespace sdl
