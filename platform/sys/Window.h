// Window and events service: the one window of the program, its input, the desktop size and
// the mouse cursor. The Win32 stand-in is its only caller. platform/sdl has a real window,
// platform/web the page's canvas and keys, platform/headless no window (tests and the capture
// tool feed it events). On Windows the demo uses the real Win32 API instead.
#pragma once

#include <string>

namespace sys
{

// What the desktop and the user can ask of the window, already in the shell's terms.
enum class InputKind
{
    KeyDown,      // a key pressed, with its Win32 virtual-key code
    SysKeyDown,   // a key pressed while Alt is held
    CloseRequest, // the window manager or the session asked the window to close
};

struct InputEvent
{
    InputKind kind;
    unsigned virtualKey; // Win32 virtual-key code for key events, 0 otherwise
};

// How the window is shown; chosen on the command line, the window itself stays the shell's.
struct DisplayOptions
{
    bool fullscreen = false; // the whole desktop, the frames enlarged to fit (black bars)
    int scale = 1;           // when windowed: the window this many times the size asked for
    // The class the shell registers for its window. The Windows video service finds the demo's
    // window by it; services that open the window themselves ignore it.
    const char* windowClass = "";
    // Where F12 saves a frame when the user has no pictures folder: the folder the program was
    // started from, which the launcher may have left for the show's own folder.
    std::string startFolder;
};

// The launcher, before WinMain: how to show the window that the shell will open. While it is
// open, the platform itself switches between windowed and fullscreen on Alt+Enter and F11;
// those keys never reach the window procedure.
void SetDisplayOptions(const DisplayOptions& options);

// The launcher, before WinMain, when --scale asks for a window larger than the frames: the size
// of the primary desktop's work area (without panels and task bars), which the window must fit.
// False where there is no desktop or no display can be opened.
bool UsableArea(int& width, int& height);

// GetSystemMetrics: size of the primary desktop in pixels.
int DesktopWidth();
int DesktopHeight();

// CreateWindowExA: opens a borderless window of the given size and position, hidden until
// ShowMainWindow. Returns false and fills `error` when no display can be used.
bool OpenMainWindow(const char* title, int x, int y, int width, int height, std::string& error);

// ShowWindow: shows or hides the window opened by OpenMainWindow.
void ShowMainWindow(bool visible);

// DestroyWindow: closes the window; input events stop.
void CloseMainWindow();

// PeekMessageA: takes the next waiting input event without blocking.
bool PollInput(InputEvent& event);

// ShowCursor: the mouse cursor over the window is shown or hidden.
void SetCursorVisible(bool visible);

} // namespace sys
