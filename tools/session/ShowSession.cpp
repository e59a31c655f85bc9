#include "tools/session/ShowSession.h"

#include "platform/sys/Clock.h"
#include "shell/Demo.h"
#include "show/ShowState.h"
#include "timeline/RenderFrame.h"

#include <cassert>

namespace session
{

namespace
{
bool sessionOpen = false;
} // namespace

ShowSession::ShowSession(std::uint32_t startTick) : startTick_(startTick)
{
    assert(!sessionOpen && "one show session at a time");
    sessionOpen = true;
    // A fresh process starts with the cubes unrotated; a later session in the same process
    // (tests, benchmarks) must start the same way.
    CubeAngle = 0.0f;
    sys::SetVirtualTicks(startTick_);
    StartDemo();
    RunState = 1;
}

ShowSession::~ShowSession()
{
    RunState = 2;
    StopDemo();
    ResetShowState();
    sys::UseRealTicks();
    sessionOpen = false;
}

void ShowSession::Render(std::uint32_t elapsedMs)
{
    // Unsigned addition wraps like the tick counter, so every elapsed time is reachable.
    sys::SetVirtualTicks(startTick_ + elapsedMs);
    RenderFrame();
}

FrameView ShowSession::Frame() const
{
    const IDirectDrawSurface7* back = GfxDevice->BackBuffer;
    return FrameView{back->Pixels.get(), back->Width, back->Height, back->Pitch};
}

std::uint64_t FrameChecksum(const FrameView& frame)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (int y = 0; y < frame.height; ++y)
    {
        const std::uint32_t* row = frame.pixels + y * (frame.pitch / 4);
        for (int x = 0; x < frame.width; ++x)
            for (int byte = 0; byte < 4; ++byte)
            {
                hash ^= (row[x] >> (8 * byte)) & 0xFF;
                hash *= 0x100000001b3ull;
            }
    }
    return hash;
}

bool ShowSession::HasMusic() const
{
    return MusicStream != nullptr;
}

} // namespace session
