// One run of the show in-process, driven by a virtual clock: the demo's own StartDemo,
// RenderFrame and StopDemo, with the frame read back from BackBuffer. The capture tool, the
// tests, the benchmarks, the Windows frame dump and the web build's test entry all start a show
// through this one unit, so a fresh run is reset the same way everywhere.
#pragma once

#include <cstdint>

namespace session
{

// A finished frame as the device holds it: 32-bit pixels, red in bits 16-23, green 8-15,
// blue 0-7, `pitch` bytes per row. Valid until the next Render.
struct FrameView
{
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    long pitch = 0;
};

// FNV-1a (64 bits) over the frame's 32-bit pixels, row by row, each pixel's bytes from the
// lowest (blue) up. Every build's frames are compared through it.
std::uint64_t FrameChecksum(const FrameView& frame);

// Start-up on construction, shutdown on destruction. Only one session may exist at a time:
// the show's state is global.
class ShowSession
{
  public:
    // Any value works; elapsed time is measured from it with unsigned arithmetic.
    static constexpr std::uint32_t DefaultStartTick = 1000;

    // Runs StartDemo in the current folder with the clock stopped at `startTick`, which thereby
    // becomes StartTick. The cubes start unrotated, as in a fresh process.
    explicit ShowSession(std::uint32_t startTick = DefaultStartTick);
    // Runs StopDemo and gives the clock back to real time.
    ~ShowSession();
    ShowSession(const ShowSession&) = delete;
    ShowSession& operator=(const ShowSession&) = delete;

    // Renders the frame at `elapsedMs` after StartTick: every clock reading during the frame
    // returns StartTick + elapsedMs (modulo 2^32, like the tick counter).
    void Render(std::uint32_t elapsedMs);

    // The back buffer after the last Render.
    FrameView Frame() const;

    // Whether start-up could open the music, i.e. the sound stand-in returned a stream.
    bool HasMusic() const;

  private:
    std::uint32_t startTick_;
};

} // namespace session
