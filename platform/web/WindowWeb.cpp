// The window on the web is the page's <canvas>, or the view the page shows it in
// (Module.quenView). The page queues key events in
// Module.quenInput as Win32 virtual-key codes (a browser's keyCode is one), with the kind of
// event in the bits above them.
#include "platform/sys/Window.h"

#include <emscripten.h>

namespace
{

EM_JS(int, ScreenWidth, (), { return screen.width; });
EM_JS(int, ScreenHeight, (), { return screen.height; });
EM_JS(int, HasCanvas, (), { return Module['canvas'] ? 1 : 0; });

EM_JS(void, SetCanvasStyle, (int visible, int cursor), {
    const style = (Module['quenView'] || Module['canvas']).style;
    if (visible >= 0)
        style.visibility = visible ? 'visible' : 'hidden';
    if (cursor >= 0)
        style.cursor = cursor ? "" : "none";
});

// The next queued event as kind * 65536 + virtual key, or -1 when there is none.
EM_JS(int, NextQueuedInput, (), {
    const queue = Module['quenInput'];
    return queue && queue.length ? queue.shift() : -1;
});

} // namespace

namespace sys
{

// The page has no command line: its own fullscreen button and key choose how the canvas shows.
void SetDisplayOptions(const DisplayOptions&) {}

// The page sizes the canvas itself; nothing is fitted to a work area.
bool UsableArea(int&, int&)
{
    return false;
}

int DesktopWidth()
{
    return ScreenWidth();
}

int DesktopHeight()
{
    return ScreenHeight();
}

bool OpenMainWindow(const char*, int, int, int, int, std::string& error)
{
    if (HasCanvas())
        return true;
    error = "the page has no canvas";
    return false;
}

void ShowMainWindow(bool visible)
{
    SetCanvasStyle(visible ? 1 : 0, -1);
}

void CloseMainWindow()
{
    EM_ASM({ Module['quenInput'] = []; });
}

bool PollInput(InputEvent& event)
{
    const int queued = NextQueuedInput();
    if (queued < 0)
        return false;
    event.kind = static_cast<InputKind>(queued >> 16);
    event.virtualKey = static_cast<unsigned>(queued & 0xFFFF);
    return true;
}

void SetCursorVisible(bool visible)
{
    SetCanvasStyle(-1, visible ? 1 : 0);
}

} // namespace sys
