// The Win32 stand-in: window classes, one window, a message queue and the handful of system
// calls the demo makes, over the platform's window and time services.
#include <windows.h>

#include "platform/sys/Clock.h"
#include "platform/sys/Window.h"
#include "platform/win32-standin/Win32Control.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>

namespace
{

struct WindowRecord
{
    WNDPROC proc = nullptr;
    bool alive = false;
    bool visible = false;
};

std::map<std::string, WNDCLASSEXA> classes;
// The one window the platform can show; its handle is the value 1.
WindowRecord mainWindow;
const HWND MainHandle = reinterpret_cast<HWND>(std::uintptr_t{1});

std::deque<MSG> posted;
bool quitPosted = false;
int quitCode = 0;
int cursorCount = 0;

bool Matches(const MSG& m, UINT filterMin, UINT filterMax)
{
    return (filterMin == 0 && filterMax == 0) || (m.message >= filterMin && m.message <= filterMax);
}

MSG Make(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG m{};
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = sys::TickCount();
    return m;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd != MainHandle || !mainWindow.alive || mainWindow.proc == nullptr)
        return 0;
    return mainWindow.proc(hwnd, message, wParam, lParam);
}

// Input events arrive for the window; with no window they are dropped.
bool NextInput(MSG& m)
{
    sys::InputEvent e;
    while (sys::PollInput(e))
    {
        if (!mainWindow.alive)
            continue;
        switch (e.kind)
        {
            case sys::InputKind::KeyDown: m = Make(MainHandle, WM_KEYDOWN, e.virtualKey, 1); break;
            case sys::InputKind::SysKeyDown:
                m = Make(MainHandle, WM_SYSKEYDOWN, e.virtualKey, LPARAM{1} << 29);
                break;
            case sys::InputKind::CloseRequest: m = Make(MainHandle, WM_CLOSE, 0, 0); break;
        }
        return true;
    }
    return false;
}

} // namespace

namespace win32
{

void ResetState()
{
    classes.clear();
    mainWindow = WindowRecord{};
    posted.clear();
    quitPosted = false;
    quitCode = 0;
    cursorCount = 0;
}

int CursorCount()
{
    return cursorCount;
}

} // namespace win32

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc)
{
    if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr ||
        classes.count(wc->lpszClassName) != 0)
        return 0;
    classes[wc->lpszClassName] = *wc;
    return static_cast<ATOM>(classes.size());
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    auto found = className != nullptr ? classes.find(className) : classes.end();
    if (found == classes.end() || mainWindow.alive)
        return nullptr;
    std::string error;
    if (!sys::OpenMainWindow(windowName != nullptr ? windowName : "", x, y, width, height, error))
    {
        std::fprintf(stderr, "quen: cannot open a display: %s\n", error.c_str());
        return nullptr;
    }
    mainWindow.proc = found->second.lpfnWndProc;
    mainWindow.alive = true;
    if (style & WS_VISIBLE)
        ShowWindow(MainHandle, SW_SHOW);
    return MainHandle;
}

BOOL WINAPI ShowWindow(HWND hwnd, int nCmdShow)
{
    if (hwnd != MainHandle || !mainWindow.alive)
        return FALSE;
    const BOOL wasVisible = mainWindow.visible;
    mainWindow.visible = nCmdShow != SW_HIDE;
    sys::ShowMainWindow(mainWindow.visible);
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hwnd)
{
    return hwnd == MainHandle && mainWindow.alive;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (msg == nullptr)
        return FALSE;
    const bool remove = (removeMsg & PM_REMOVE) != 0;
    // Posted messages first, then input, then the quit request, as Windows orders them.
    for (auto it = posted.begin(); it != posted.end(); ++it)
    {
        if ((hwnd == nullptr || it->hwnd == hwnd) && Matches(*it, filterMin, filterMax))
        {
            *msg = *it;
            if (remove)
                posted.erase(it);
            return TRUE;
        }
    }
    MSG input;
    if (NextInput(input))
    {
        if (Matches(input, filterMin, filterMax) && (hwnd == nullptr || hwnd == input.hwnd))
        {
            *msg = input;
            if (!remove)
                posted.push_back(input);
            return TRUE;
        }
        posted.push_back(input); // kept for a later call with another filter
    }
    if (quitPosted && hwnd == nullptr &&
        Matches(Make(nullptr, WM_QUIT, 0, 0), filterMin, filterMax))
    {
        *msg = Make(nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0);
        if (remove)
            quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg)
{
    return msg != nullptr ? Send(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg)
    {
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4) // Alt+F4 asks the window to close
                Send(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        default: return 0;
    }
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (hwnd != nullptr && (hwnd != MainHandle || !mainWindow.alive))
        return FALSE;
    posted.push_back(Make(hwnd, msg, wParam, lParam));
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode)
{
    quitPosted = true;
    quitCode = exitCode;
}

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    if (hwnd != MainHandle || !mainWindow.alive)
        return FALSE;
    Send(hwnd, WM_DESTROY, 0, 0);
    mainWindow.alive = false;
    mainWindow.visible = false;
    sys::CloseMainWindow();
    return TRUE;
}

// Icons, cursors and brushes are never drawn here; callers only need handles.
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR)
{
    return reinterpret_cast<HICON>(std::uintptr_t{1});
}
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR)
{
    return reinterpret_cast<HCURSOR>(std::uintptr_t{2});
}
HGDIOBJ WINAPI GetStockObject(int object)
{
    return reinterpret_cast<HGDIOBJ>(std::uintptr_t(16 + object));
}

int WINAPI GetSystemMetrics(int index)
{
    switch (index)
    {
        case SM_CXSCREEN: return sys::DesktopWidth();
        case SM_CYSCREEN: return sys::DesktopHeight();
        default: return 0;
    }
}

int WINAPI ShowCursor(BOOL show)
{
    cursorCount += show ? 1 : -1;
    sys::SetCursorVisible(cursorCount >= 0);
    return cursorCount;
}

DWORD WINAPI GetTickCount()
{
    return sys::ShowTickCount();
}
