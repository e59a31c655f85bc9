#include "robustness/ShowRun.h"

#include "platform/headless/Headless.h"
#include "platform/sys/Clock.h"
#include "platform/win32/Win32Control.h"
#include "support/TestAssets.h"
#include "timeline/RenderFrame.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace showrun
{

const PictureFile Pictures[5] = {{"initial.jpg", 400, 300, &SurfInitial, 0},
                                 {"j1.jpg", 400, 300, &SurfJ1, 1},
                                 {"j2.jpg", 400, 300, &SurfJ2, 2},
                                 {"j3.jpg", 400, 300, &SurfJ3, 3},
                                 {"scroller.jpg", 400, 600, &SurfScroller, 4}};

const PictureFile& Picture(const std::string& name)
{
    for (const PictureFile& p : Pictures)
        if (name == p.name)
            return p;
    throw std::invalid_argument(name);
}

badinputs::Bytes GoodPicture(const PictureFile& picture)
{
    return badinputs::Jpeg(picture.width, picture.height, badinputs::SmoothPattern(picture.seed));
}

const badinputs::Bytes& GoodMusic()
{
    static const badinputs::Bytes music = badinputs::ReadFile(QUEN_ASSETS_DIR "/zeft.mp3");
    return music;
}

bool IsBlack(const IDirectDrawSurface7* surface)
{
    const std::uint32_t* p = surface->Pixels.get();
    return std::all_of(p, p + std::size_t{surface->Width} * surface->Height,
                       [](std::uint32_t v) { return (v & 0xFFFFFFu) == 0; });
}

void ShowTest::SetUp()
{
    win32::ResetState();
    headless::Reset();
    dir = testassets::MakeScratchDir("robust");
    for (const PictureFile& p : Pictures)
        Put(p.name, GoodPicture(p));
    Put("zeft.mp3", GoodMusic());
}

void ShowTest::TearDown()
{
    sys::UseRealTicks();
    std::filesystem::remove_all(dir);
}

void ShowTest::Put(const std::string& name, const badinputs::Bytes& bytes)
{
    badinputs::WriteFile(dir + "/" + name, bytes);
}

void ShowTest::Remove(const std::string& name)
{
    std::filesystem::remove(dir + "/" + name);
}

Outcome ShowTest::Run(const std::vector<DWORD>& elapsedMs,
                      const std::function<void()>& afterStartUp,
                      const std::function<void(DWORD step)>& afterFrame)
{
    Outcome outcome;
    testassets::ScopedChdir in(dir);
    ::testing::internal::CaptureStderr();
    sys::SetVirtualTicks(StartTicks);
    StartDemo();
    afterStartUp();
    for (DWORD elapsed : elapsedMs)
    {
        sys::SetVirtualTicks(StartTicks + elapsed);
        RenderFrame();
        ++outcome.frames;
        afterFrame(DemoStep);
    }
    StopDemo();
    std::istringstream err(::testing::internal::GetCapturedStderr());
    for (std::string line; std::getline(err, line);)
        outcome.stderrLines.push_back(line);
    return outcome;
}

std::vector<DWORD> ShowTest::AcrossTheSchedule(int frames)
{
    constexpr DWORD span = 2400 * 50; // steps 0 to 2399: the opening and one scroller cycle
    std::vector<DWORD> times;
    for (int i = 0; i < frames; ++i)
        times.push_back(static_cast<DWORD>(static_cast<unsigned long long>(span) * i / frames) +
                        static_cast<DWORD>(i % 7) * 3);
    for (DWORD step : {150u, 230u, 350u, 455u, 560u, 760u, 900u, 1000u, 1750u})
        times.push_back(step * 50 + 25);
    std::sort(times.begin(), times.end());
    return times;
}

} // namespace showrun
