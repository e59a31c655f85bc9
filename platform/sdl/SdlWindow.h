// Shared inside the SDL platform: the one SDL window, for the video service to present into, and
// the frame on screen, for the window service's screenshot key.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace sdl
{
// The window opened by sys::OpenMainWindow, or null.
SDL_Window* MainWindow();

// Whether frames may be presented through OpenGL: not when SDL_RENDER_DRIVER names another
// renderer (the sanitizer builds ask for the software one, as OpenGL drivers leak at exit).
bool OpenGlWanted();

// The frame on screen, as the video service last presented it; false before the first.
bool ShownFrame(const std::uint32_t*& pixels, long& pitch, int& width, int& height);

// F12: saves the frame on screen as a PNG named with the show's time, in the user's pictures
// folder (the current folder where that is unknown), and says where in one line on stderr.
void SaveShownFrame();
} // namespace sdl
