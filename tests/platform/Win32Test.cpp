// The Win32 stand-in's message queue and default window handling, with a window procedure of
// the test's own.
#include <windows.h>

#include "platform/headless/Headless.h"
#include "platform/win32-standin/Win32Control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::vector<std::string> seen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back(std::to_string(message) + ":" + std::to_string(wParam));
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Win32 : public ::testing::Test
{
  protected:
    HWND window = nullptr;

    void SetUp() override
    {
        win32::ResetState();
        headless::Reset();
        seen.clear();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "TestWin";
        ASSERT_NE(RegisterClassExA(&wc), 0);
        window = CreateWindowExA(0, "TestWin", "t", WS_POPUP, 1, 2, 30, 40, NULL, NULL, NULL, NULL);
        ASSERT_NE(window, nullptr);
    }
};

TEST_F(Win32, PostedMessagesComeBeforeInputAndQuitComesLast)
{
    headless::InjectInput({sys::InputKind::KeyDown, 'A'});
    PostMessageA(window, 0x400, 1, 0);
    PostQuitMessage(7);
    PostMessageA(window, 0x400, 2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE)); // leaves the message waiting
    EXPECT_EQ(msg.message, 0x400u);
    // The message loop, until WM_QUIT.
    for (int guard = 0; guard < 1000 && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE); ++guard)
    {
        if (msg.message == WM_QUIT)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(seen, (std::vector<std::string>{"1024:1", "1024:2", "256:65"}));
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)); // the quit request is consumed
}

TEST_F(Win32, DefaultHandlingClosesOnAltF4)
{
    headless::InjectInput({sys::InputKind::SysKeyDown, VK_F4});
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_SYSKEYDOWN));
    DispatchMessageA(&msg);
    // WM_SYSKEYDOWN -> WM_CLOSE -> DestroyWindow -> WM_DESTROY, all sent at once.
    EXPECT_EQ(seen, (std::vector<std::string>{"260:115", "16:0", "2:0"}));
    EXPECT_FALSE(headless::Observe().windowOpen);
    EXPECT_FALSE(PostMessageA(window, 0x400, 0, 0)); // the window is gone
}

TEST_F(Win32, ShowCursorKeepsTheDisplayCounter)
{
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_FALSE(headless::Observe().cursorVisible);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_FALSE(headless::Observe().cursorVisible);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(headless::Observe().cursorVisible);
}

} // namespace
