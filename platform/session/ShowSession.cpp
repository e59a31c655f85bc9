#include "platform/session/ShowSession.h"

#include "cubes/CubeFrame.h"
#include "platform/sys/Clock.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

#include <cassert>

namespace demo
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
    GfxDevice = nullptr;
    MusicStream = nullptr;
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

bool ShowSession::HasMusic() const
{
    return MusicStream != nullptr;
}

} // namespace demo
