// Video service: shows finished frames in the program's window. The graphics device is its
// only caller. platform/sdl presents into the SDL window, platform/windows into the demo's window
// with GDI, platform/web into the page's canvas once per animation frame; platform/headless
// shows nothing and never waits.
#pragma once

#include <cstdint>

namespace sys
{

// VornGFX constructor: prepares presentation of width x height frames into the window that is
// open, found without being handed it. Returns false when there is no window to show
// frames in; the device then runs headless.
bool OpenVideo(int width, int height);

// VornGFX::Flip: shows one frame of 32-bit pixels (red in bits 16-23, green 8-15, blue 0-7),
// `pitch` bytes per row. Waits for the display's next frame, so that a loop that never waits
// still leaves the processor mostly idle.
void PresentFrame(const std::uint32_t* pixels, long pitch);

// VornGFX destructor: stops presenting.
void CloseVideo();

} // namespace sys
