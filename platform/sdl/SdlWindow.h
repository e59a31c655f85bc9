// Shared inside the SDL platform: the one SDL window, for the video service to present into, and
// the frame on screen, for the window service's screenshot key.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <mutex>
#include <string>

namespace sdl
{
// The window opened by sys::OpenMainWindow, or null.
SDL_Window* MainWindow();

// Whether the window was made for OpenGL, so that frames may be presented through it: where the
// display may have a graphics processor, unless SDL_RENDER_DRIVER names another renderer (the
// sanitizer builds ask for the software one, as OpenGL drivers leak at exit), or where
// SDL_RENDER_DRIVER asks for OpenGL.
bool OpenGlChosen();

// From the window's opening until the show's loop runs, a thread watches SDL's events for a
// close request (Escape, the window closed or destroyed, SIGTERM, SIGINT, SIGHUP) and ends the
// process at once with status 0: start-up may take seconds (huge pictures, a long WAV) and
// nothing has been shown or written yet. The video service holds this lock around its SDL
// calls in that time (OpenVideo), so that SDL is never used from two threads at once.
std::mutex& StartupLock();

// The window and video services, once the show's loop runs (the first poll for input, the
// first frame presented): stops watching start-up. Cheap when it has stopped already.
void EndStartupWatch();

// Whether the window's visual carries alpha, which X compositors honour: the video service then
// makes every pixel it puts into the window's surface opaque.
bool WindowHasAlpha();

// The frame on screen, as the video service last presented it; false before the first.
bool ShownFrame(const std::uint32_t*& pixels, long& pitch, int& width, int& height);

// F12: saves the frame on screen as a PNG named with the show's time, in the user's pictures
// folder (`startFolder` where that is unknown, the current one if that is empty too), and says
// where in one line on stderr.
void SaveShownFrame(const std::string& startFolder);
} // namespace sdl
