// The headless platform: no window, no display and no sound device. Input comes from
// InjectInput; frames and music are accepted and not shown or played. Music files are still
// checked, so that a bad file is reported exactly as in the demo.
#include "platform/headless/Headless.h"

#include "platform/sys/Sound.h"
#include "platform/sys/Video.h"

#include <cstdio>
#include <deque>

namespace
{
struct Pending
{
    sys::InputEvent event;
    int afterFrames;
};
std::deque<Pending> queue;
int desktopWidth = 1024, desktopHeight = 768;
headless::Observed observed;
} // namespace

namespace headless
{

void InjectInput(const sys::InputEvent& event, int afterFrames)
{
    queue.push_back({event, afterFrames});
}

void SetDesktopSize(int width, int height)
{
    desktopWidth = width;
    desktopHeight = height;
}

const Observed& Observe()
{
    return observed;
}

void Reset()
{
    queue.clear();
    observed = Observed{};
    desktopWidth = 1024;
    desktopHeight = 768;
}

} // namespace headless

namespace sys
{

// There is no window to enlarge: the options are taken and change nothing.
void SetDisplayOptions(const DisplayOptions&) {}

// No desktop for a window to fit into.
bool UsableArea(int&, int&)
{
    return false;
}

int DesktopWidth()
{
    return desktopWidth;
}
int DesktopHeight()
{
    return desktopHeight;
}

bool OpenMainWindow(const char*, int x, int y, int width, int height, std::string&)
{
    observed.windowOpen = true;
    observed.windowX = x;
    observed.windowY = y;
    observed.windowWidth = width;
    observed.windowHeight = height;
    return true;
}

void ShowMainWindow(bool visible)
{
    observed.windowVisible = visible;
}

void CloseMainWindow()
{
    observed.windowOpen = false;
    observed.windowVisible = false;
}

bool PollInput(InputEvent& event)
{
    if (queue.empty() || queue.front().afterFrames > observed.framesPresented)
        return false;
    event = queue.front().event;
    queue.pop_front();
    return true;
}

void SetCursorVisible(bool visible)
{
    observed.cursorVisible = visible;
}

// Headless frames go nowhere; the device keeps drawing into its back buffer and counts them.
bool OpenVideo(int, int)
{
    return true;
}
void PresentFrame(const std::uint32_t*, long)
{
    ++observed.framesPresented;
}
void CloseVideo() {}

} // namespace sys
