// Shared inside the SDL platform: the one SDL window, for the video service to present into.
#pragma once

#include <SDL.h>

namespace sdl
{
// The window opened by sys::OpenMainWindow, or null.
SDL_Window* MainWindow();

// Whether frames may be presented through OpenGL: not when SDL_RENDER_DRIVER names another
// renderer (the sanitizer builds ask for the software one, as OpenGL drivers leak at exit).
bool OpenGlWanted();
} // namespace sdl
