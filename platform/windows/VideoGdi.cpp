// Video over GDI: each frame is copied 1:1 into the demo's window with StretchDIBits. GDI does
// not wait for the display, so presenting paces itself to the display's refresh rate.
#include "platform/sys/Video.h"
#include "shell/WindowClass.h"

#include <windows.h>

#include <chrono>
#include <thread>

namespace
{

HWND window = NULL;
BITMAPINFO frameFormat = {};
int frameWidth = 0, frameHeight = 0;
std::chrono::steady_clock::duration frameTime = std::chrono::microseconds(16667);
std::chrono::steady_clock::time_point lastPresent;
bool finePeriod = false;

// The demo's window is the top-level window of the demo's class that belongs to this process.
HWND FindDemoWindow()
{
    HWND candidate = NULL;
    while ((candidate = FindWindowExA(NULL, candidate, DemoWindowClass, NULL)) != NULL)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(candidate, &process);
        if (process == GetCurrentProcessId())
            return candidate;
    }
    return NULL;
}

} // namespace

namespace sys
{

bool OpenVideo(int width, int height)
{
    window = FindDemoWindow();
    if (window == NULL)
        return false;
    frameWidth = width;
    frameHeight = height;
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
        if (HDC dc = GetDC(window))
        {
            StretchDIBits(dc, 0, 0, frameWidth, frameHeight, 0, 0, frameWidth, frameHeight, pixels,
                          &frameFormat, DIB_RGB_COLORS, SRCCOPY);
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
    window = NULL;
}

} // namespace sys
