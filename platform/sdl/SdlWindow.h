// Shared inside the SDL platform: the one SDL window, for the video service to present into.
#pragma once

#include <SDL.h>

namespace sdl
{
// The window opened by sys::OpenMainWindow, or null.
SDL_Window* MainWindow();
} // namespace sdl
