// Video over GDI: each frame is drawn into the demo's window with StretchDIBits, enlarged with
// nearest-neighbour sampling (COLORONCOLOR) to the place display::FitFrame gives it. GDI does
// not wait for the display, so presenting paces itself to the display's refresh rate.
//
// The display options live here too, since on Windows the window is USER32's own: when the
// video service finds the demo's window it makes it `scale` times larger or fullscreen, gives
// it the program's icon, and puts a window procedure in front of the demo's that takes
// Alt+Enter and F11 (switching fullscreen) before the demo could see them.
#include "platform/Display.h"
#include "platform/sys/Video.h"
#include "platform/sys/Window.h"

#include <windows.h>

#include <chrono>
#include <thread>

namespace
{

HWND window = NULL;
WNDPROC demoProc = NULL;
sys::DisplayOptions options;
RECT windowed = {}; // the window's place when not fullscreen
BITMAPINFO frameFormat = {};
int frameWidth = 0, frameHeight = 0;
int lastWidth = 0, lastHeight = 0;
std::chrono::steady_clock::duration frameTime = std::chrono::microseconds(16667);
std::chrono::steady_clock::time_point lastPresent;
bool finePeriod = false;

// The demo's window is the top-level window of the demo's class that belongs to this process.
HWND FindDemoWindow()
{
    HWND candidate = NULL;
    while ((candidate = FindWindowExA(NULL, candidate, options.windowClass, NULL)) != NULL)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(candidate, &process);
        if (process == GetCurrentProcessId())
            return candidate;
    }
    return NULL;
}

void Place(const RECT& r)
{
    SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
}

// Fullscreen: the borderless window over the whole of its monitor.
void SetFullscreen(bool on)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (on && !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    options.fullscreen = on;
    Place(on ? monitor.rcMonitor : windowed);
}

LRESULT CALLBACK DisplayKeysProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool altEnter = message == WM_SYSKEYDOWN && wParam == VK_RETURN;
    const bool f11 = message == WM_KEYDOWN && wParam == VK_F11;
    if (altEnter || f11)
    {
        if ((lParam & (LPARAM{1} << 30)) == 0) // not a repeat of a held key
            SetFullscreen(!options.fullscreen);
        return 0;
    }
    if (message == WM_SYSCHAR && wParam == '\r') // Alt+Enter's character: no menu beep
        return 0;
    return CallWindowProcA(demoProc, hwnd, message, wParam, lParam);
}

void SetIcons()
{
    HINSTANCE self = GetModuleHandleA(NULL);
    for (WPARAM which : {WPARAM{ICON_BIG}, WPARAM{ICON_SMALL}})
    {
        const int size = GetSystemMetrics(which == ICON_BIG ? SM_CXICON : SM_CXSMICON);
        HANDLE icon = LoadImageA(self, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0);
        if (icon != NULL) // the demo has one; the test programs have none
            SendMessageA(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

// Where the launcher's options put the window the shell made and showed.
void TakeWindow()
{
    RECT asked;
    GetWindowRect(window, &asked);
    display::Rect r = display::ScaledWindow(
        {asked.left, asked.top, asked.right - asked.left, asked.bottom - asked.top}, options.scale);
    MONITORINFO monitor = {}; // clear of the task bar, where the window fits beside it
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor))
        r = display::KeepInside(r, {monitor.rcWork.left, monitor.rcWork.top,
                                    monitor.rcWork.right - monitor.rcWork.left,
                                    monitor.rcWork.bottom - monitor.rcWork.top});
    windowed = {r.x, r.y, r.x + r.width, r.y + r.height};
    if (r.x != asked.left || r.y != asked.top || r.width != asked.right - asked.left ||
        r.height != asked.bottom - asked.top)
        Place(windowed);
    if (options.fullscreen)
        SetFullscreen(true);
    SetIcons();
    demoProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DisplayKeysProc)));
}

} // namespace

namespace sys
{

void SetDisplayOptions(const DisplayOptions& chosen)
{
    options = chosen;
}

bool UsableArea(int& width, int& height)
{
    RECT area; // the primary monitor's, where the shell centres the window
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || area.right <= area.left ||
        area.bottom <= area.top)
        return false;
    width = area.right - area.left;
    height = area.bottom - area.top;
    return true;
}

bool OpenVideo(int width, int height)
{
    window = FindDemoWindow();
    if (window == NULL)
        return false;
    TakeWindow();
    frameWidth = width;
    frameHeight = height;
    lastWidth = lastHeight = 0;
    frameFormat = {};
    frameFormat.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    frameFormat.bmiHeader.biWidth = width;
    frameFormat.bmiHeader.biHeight = -height; // rows top to bottom, as the device keeps them
    frameFormat.bmiHeader.biPlanes = 1;
    frameFormat.bmiHeader.biBitCount = 32; // blue, green, red, unused: the device's pixel words
    frameFormat.bmiHeader.biCompression = BI_RGB;

    frameTime = std::chrono::microseconds(16667);
    if (HDC dc = GetDC(window))
    {
        const int hz = GetDeviceCaps(dc, VREFRESH);
        if (hz >= 30 && hz <= 360)
            frameTime = std::chrono::microseconds(1000000 / hz);
        ReleaseDC(window, dc);
    }
    // Millisecond sleeps instead of the default scheduler tick of about 15.6 ms.
    finePeriod = timeBeginPeriod(1) == TIMERR_NOERROR;
    lastPresent = std::chrono::steady_clock::now();
    return true;
}

void PresentFrame(const std::uint32_t* pixels, long pitch)
{
    if (window == NULL)
        return;
    if (IsWindow(window))
    {
        // Rows of `pitch` bytes: the bitmap is that many pixels wide, of which the frame's
        // width is shown.
        frameFormat.bmiHeader.biWidth = static_cast<LONG>(pitch / 4);
        RECT client;
        GetClientRect(window, &client);
        const display::Rect fit =
            display::FitFrame(client.right, client.bottom, frameWidth, frameHeight);
        if (HDC dc = GetDC(window))
        {
            if (client.right != lastWidth || client.bottom != lastHeight)
            {
                PatBlt(dc, 0, 0, client.right, client.bottom, BLACKNESS); // the bars
                lastWidth = client.right;
                lastHeight = client.bottom;
            }
            SetStretchBltMode(dc, COLORONCOLOR); // nearest neighbour; reset with each GetDC
            StretchDIBits(dc, fit.x, fit.y, fit.width, fit.height, 0, 0, frameWidth, frameHeight,
                          pixels, &frameFormat, DIB_RGB_COLORS, SRCCOPY);
            ReleaseDC(window, dc);
        }
    }
    // GDI returns at once: wait out the rest of the display frame, so that the main loop, which
    // never waits, leaves the processor mostly idle. A frame that took longer is not delayed.
    const auto due = lastPresent + frameTime;
    auto now = std::chrono::steady_clock::now();
    if (now < due)
    {
        std::this_thread::sleep_until(due);
        now = due;
    }
    lastPresent = now;
}

void CloseVideo()
{
    if (finePeriod)
        timeEndPeriod(1);
    finePeriod = false;
    // The demo's procedure is left in front: the window is destroyed next, and messages on the
    // way still reach the demo through this one.
    window = NULL;
}

} // namespace sys
