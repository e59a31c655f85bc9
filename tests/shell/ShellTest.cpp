// Start-up, the main loop and shutdown, headless, with the test's own pictures.
#include "shell/Demo.h"
#include "platform/headless/Headless.h"
#include "platform/sys/Clock.h"
#include "platform/win32/Win32Control.h"
#include "support/TestAssets.h"
#include "timeline/RenderFrame.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

class Shell : public ::testing::Test
{
  protected:
    std::string dir = testassets::MakeScratchDir("shell");

    void SetUp() override { StartFresh(); }

    // The state of a new process, for each run of WinMain.
    void StartFresh()
    {
        win32::ResetState();
        headless::Reset();
        testassets::WriteDemoPictures(dir);
        sys::SetVirtualTicks(123456);
    }
    void TearDown() override
    {
        sys::UseRealTicks();
        std::filesystem::remove_all(dir);
    }

    // Runs the whole program, WinMain to WM_QUIT, and returns its exit code. Without a close
    // request in `input` it would run for ever.
    int RunWinMain(std::initializer_list<std::pair<sys::InputEvent, int>> input)
    {
        for (const auto& [event, afterFrames] : input)
            headless::InjectInput(event, afterFrames);
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr(); // the missing music's line
        const int code = WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
        ::testing::internal::GetCapturedStderr();
        return code;
    }
};

const sys::InputEvent Escape{sys::InputKind::KeyDown, VK_ESCAPE};

TEST_F(Shell, StartUpCreatesEverySurfaceAndShutdownReleasesThemAll)
{
    const int leakedBefore = VornGFX::SurfacesNeverReleased();
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr();
        StartDemo();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("\"zeft.mp3\""), std::string::npos) << err;
    }
    EXPECT_EQ(StartTick, 123456u);
    EXPECT_EQ(win32::CursorCount(), -1);
    EXPECT_EQ(MusicStream, nullptr); // no music file: the show runs silently
    ASSERT_NE(GfxDevice, nullptr);
    EXPECT_EQ(GfxDevice->LiveSurfaces(), 12);

    const struct
    {
        IDirectDrawSurface7* surface;
        int w, h;
    } sizes[] = {{SurfJ1, 400, 300},     {SurfJ2, 400, 300},      {SurfJ3, 400, 300},
                 {SurfBlend, 400, 300},  {SurfWarp, 300, 300},    {SurfScroller, 400, 600},
                 {SurfStrip, 400, 1200}, {SurfInitial, 400, 300}, {SurfWipe, 400, 300},
                 {SurfBlack, 400, 300},  {SurfFade, 400, 300},    {SurfIris, 800, 600}};
    for (const auto& s : sizes)
    {
        ASSERT_NE(s.surface, nullptr);
        EXPECT_EQ(s.surface->Width, s.w);
        EXPECT_EQ(s.surface->Height, s.h);
    }

    // The strip: 300 black rows, the scroller picture unscaled, 300 black rows.
    auto strip = [](int x, int y) { return SurfStrip->Pixels[y * 400 + x]; };
    for (int y = 0; y < 1200; ++y)
        for (int x = 0; x < 400; ++x)
        {
            const std::uint32_t expected =
                (y < 300 || y >= 900) ? 0u : SurfScroller->Pixels[(y - 300) * 400 + x];
            ASSERT_EQ(strip(x, y), expected) << x << "," << y;
        }
    EXPECT_NE(SurfScroller->Pixels[0], 0u); // the picture was loaded
    EXPECT_NE(SurfInitial->Pixels[1000], SurfJ1->Pixels[1000]);

    StopDemo();
    EXPECT_EQ(win32::CursorCount(), 0);
    EXPECT_EQ(VornGFX::DevicesAlive(), 0);
    EXPECT_EQ(VornGFX::SurfacesNeverReleased(), leakedBefore);
    EXPECT_EQ(headless::MusicPlaying(), 0);
}

TEST_F(Shell, EscapeClosesTheWindowAndEndsWithCodeZero)
{
    EXPECT_EQ(RunWinMain({{Escape, 3}}), 0);
    EXPECT_EQ(RunState, 2);
    // The key arrived after the third frame; no frame followed the close request.
    EXPECT_EQ(headless::Observe().framesPresented, 3);
    EXPECT_FALSE(headless::Observe().windowOpen);
    EXPECT_TRUE(headless::Observe().cursorVisible);
    EXPECT_EQ(win32::CursorCount(), 0);
    EXPECT_EQ(VornGFX::DevicesAlive(), 0);
}

TEST_F(Shell, AltF4AndTheDesktopsCloseRequestTakeTheSamePath)
{
    EXPECT_EQ(RunWinMain({{{sys::InputKind::SysKeyDown, VK_F4}, 2}}), 0);
    EXPECT_EQ(headless::Observe().framesPresented, 2);
    EXPECT_EQ(VornGFX::DevicesAlive(), 0);

    StartFresh();
    EXPECT_EQ(RunWinMain({{{sys::InputKind::CloseRequest, 0}, 1}}), 0);
    EXPECT_EQ(headless::Observe().framesPresented, 1);
    EXPECT_EQ(VornGFX::DevicesAlive(), 0);
}

TEST_F(Shell, OtherKeysAndAltEscapeAreIgnored)
{
    EXPECT_EQ(RunWinMain({{{sys::InputKind::KeyDown, 'A'}, 1},
                          {{sys::InputKind::KeyDown, VK_F4}, 1},
                          {{sys::InputKind::SysKeyDown, VK_ESCAPE}, 2},
                          {Escape, 4}}),
              0);
    EXPECT_EQ(headless::Observe().framesPresented, 4);
}

TEST_F(Shell, WindowIsCentredWithoutClamping)
{
    const struct
    {
        int desktopW, desktopH, x, y;
    } screens[] = {{1024, 768, 112, 84}, {800, 600, 0, 0}, {640, 480, -80, -60}, {799, 599, 0, 0}};
    for (const auto& s : screens)
    {
        StartFresh();
        headless::SetDesktopSize(s.desktopW, s.desktopH);
        EXPECT_EQ(RunWinMain({{Escape, 0}}), 0);
        EXPECT_EQ(headless::Observe().windowX, s.x) << s.desktopW;
        EXPECT_EQ(headless::Observe().windowY, s.y) << s.desktopH;
        EXPECT_EQ(headless::Observe().windowWidth, 800);
        EXPECT_EQ(headless::Observe().windowHeight, 600);
    }
}

} // namespace
