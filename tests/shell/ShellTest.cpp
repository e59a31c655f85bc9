// Start-up, the main loop and shutdown, headless, with the test's own pictures.
#include "show/ShowState.h"
#include "platform/headless/Headless.h"
#include "platform/sys/Clock.h"
#include "platform/win32-standin/Win32Control.h"
#include "support/TestAssets.h"
#include "timeline/RenderFrame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace
{

class Shell : public ::testing::Test
{
  protected:
    testassets::ScratchDir dir{"shell"};

    void SetUp() override { testassets::WriteDemoPictures(dir); }

    // The state of a new process, for each run of WinMain.
    void StartFresh()
    {
        win32::ResetState();
        headless::Reset();
        sys::SetVirtualTicks(123456);
    }
    void TearDown() override { sys::UseRealTicks(); }

    // Runs the whole program, WinMain to WM_QUIT, and returns its exit code. Without a close
    // request in `input` it would run for ever. There is no music: the show runs silently,
    // having said so.
    int RunWinMain(const std::vector<std::pair<sys::InputEvent, int>>& input)
    {
        for (const auto& [event, afterFrames] : input)
            headless::InjectInput(event, afterFrames);
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr();
        const int code = WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("\"zeft.mp3\""), std::string::npos) << err;
        return code;
    }
};

const sys::InputEvent Escape{sys::InputKind::KeyDown, VK_ESCAPE};

// Escape, Alt+F4 and the desktop's close request end the show with code 0 and no frame after
// them; other keys, and Alt+Escape, are ignored. The window is centred on desktops of any size,
// without clamping. Shutdown releases every surface and shows the cursor again.
TEST_F(Shell, ShowRunsCentredUntilACloseRequestAndEndsWithCodeZero)
{
    using Input = std::vector<std::pair<sys::InputEvent, int>>; // events, frames before each
    using Key = sys::InputKind;
    const Input ignoredKeys = {{{Key::KeyDown, 'A'}, 1},
                               {{Key::KeyDown, VK_F4}, 1},
                               {{Key::SysKeyDown, VK_ESCAPE}, 2},
                               {Escape, 4}};
    const struct
    {
        int frames, desktopW, desktopH, x, y;
        Input input;
    } cases[] = {
        {3, 1024, 768, 112, 84, {{Escape, 3}}},
        {2, 800, 600, 0, 0, {{{Key::SysKeyDown, VK_F4}, 2}}},
        {1, 640, 480, -80, -60, {{{Key::CloseRequest, 0}, 1}}},
        {4, 799, 599, 0, 0, ignoredKeys},
    };
    const int leakedBefore = VornGFX::SurfacesNeverReleased();
    for (const auto& c : cases)
    {
        SCOPED_TRACE("closed after " + std::to_string(c.frames) + " frames");
        StartFresh();
        headless::SetDesktopSize(c.desktopW, c.desktopH);
        EXPECT_EQ(RunWinMain(c.input), 0);
        EXPECT_EQ(RunState, 2);
        const auto seen = headless::Observe();
        EXPECT_EQ(seen.framesPresented, c.frames);
        EXPECT_TRUE(seen.windowX == c.x && seen.windowY == c.y && seen.windowWidth == 800 &&
                    seen.windowHeight == 600)
            << seen.windowX << "," << seen.windowY << " " << seen.windowWidth << "x"
            << seen.windowHeight;
        EXPECT_FALSE(seen.windowOpen);
        EXPECT_TRUE(seen.cursorVisible);
        EXPECT_EQ(win32::CursorCount(), 0);
        EXPECT_EQ(VornGFX::DevicesAlive(), 0);
        EXPECT_EQ(VornGFX::SurfacesNeverReleased(), leakedBefore);
    }
}

} // namespace
