// Process entry, the window and the main loop.
#include <windows.h>

#include "shell/Demo.h"
#include "shell/WindowClass.h"
#include "show/Geometry.h"
#include "show/ShowState.h"
#include "timeline/RenderFrame.h"

HWND MainWindow = NULL;

LRESULT CALLBACK DemoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
        case WM_DESTROY: PostQuitMessage(0); break; // and on to the default handling
        case WM_CLOSE:
            RunState = 2;
            StopDemo();
            DestroyWindow(hwnd);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE)
            {
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    (void)hPrevInstance;
    (void)lpCmdLine; // the demo takes no command line

    WNDCLASSEXA wc;
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = DemoWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszMenuName = NULL;
    wc.lpszClassName = DemoWindowClass;
    wc.hIconSm = wc.hIcon;
    RegisterClassExA(&wc);

    const int x = (GetSystemMetrics(SM_CXSCREEN) - ScreenWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - ScreenHeight) / 2;
    MainWindow = CreateWindowExA(0, DemoWindowClass, "Quen/XDL", WS_POPUP, x, y, ScreenWidth,
                                 ScreenHeight, NULL, NULL, hInstance, NULL);
    // Without a window nobody could see or close the show: give up before starting it.
    if (MainWindow == NULL)
        return 1;

    ShowWindow(MainWindow, nCmdShow);
    UpdateWindow(MainWindow);

    StartDemo();
    RunState = 1;

    MSG msg;
    for (;;)
    {
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
                return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        else if (RunState == 1)
        {
            RenderFrame();
        }
    }
}
