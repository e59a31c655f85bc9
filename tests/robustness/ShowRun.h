// The demo's six input files, good and in every bad state, and a fixture that runs the show's
// start-up, frames across the whole schedule and shutdown, headless, in a scratch folder.
#pragma once

#include "shell/Demo.h"
#include "platform/headless/Headless.h"
#include "platform/session/ShowSession.h"
#include "platform/win32/Win32Control.h"
#include "support/TestAssets.h"

#include "robustness/PictureFiles.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace showrun
{

using namespace picturefiles;

// The five pictures: file, size of its surface, the surface. Seed i is Pictures[i]'s.
struct PictureFile
{
    std::string name;
    int width, height;
    IDirectDrawSurface7** surface;
};
inline const PictureFile Pictures[5] = {{"initial.jpg", 400, 300, &SurfInitial},
                                        {"j1.jpg", 400, 300, &SurfJ1},
                                        {"j2.jpg", 400, 300, &SurfJ2},
                                        {"j3.jpg", 400, 300, &SurfJ3},
                                        {"scroller.jpg", 400, 600, &SurfScroller}};

inline Bytes GoodPicture(int index)
{
    return MakeJpeg(Pictures[index].width, Pictures[index].height, Smooth(index)); // the good one
}

inline bool IsBlack(const IDirectDrawSurface7* surface)
{
    const std::uint32_t* p = surface->Pixels.get();
    return std::all_of(p, p + std::size_t{surface->Width} * surface->Height,
                       [](std::uint32_t v) { return (v & 0xFFFFFFu) == 0; });
}

class ShowTest : public ::testing::Test
{
  protected:
    static constexpr DWORD StartTicks = 7000;
    std::string dir;

    void SetUp() override
    {
        win32::ResetState();
        headless::Reset();
        dir = testassets::MakeScratchDir("robust");
        for (int i = 0; i < 5; ++i)
            Put(Pictures[i].name, GoodPicture(i));
        std::filesystem::copy_file(std::string(QUEN_ASSETS_DIR) + "/zeft.mp3", dir + "/zeft.mp3");
    }

    void TearDown() override { std::filesystem::remove_all(dir); }

    void Put(const std::string& name, const Bytes& bytes) // into the scratch folder
    {
        testassets::WriteFile(dir + "/" + name, bytes);
    }

    // StartDemo, `afterStartUp`, one frame for each of 249 times spread over the opening and
    // a scroller cycle, StopDemo. Returns the lines printed on stderr meanwhile.
    std::vector<std::string> Run(const std::function<void()>& afterStartUp)
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr();
        {
            demo::ShowSession show(StartTicks);
            afterStartUp();
            for (DWORD i = 0; i < 249; ++i) // steps 0 to 2399, the opening and a scroller cycle
                show.Render(i * 482 + i % 7 * 3);
        }
        std::istringstream err(::testing::internal::GetCapturedStderr());
        std::vector<std::string> lines;
        for (std::string line; std::getline(err, line);)
            lines.push_back(line);
        return lines;
    }
};

} // namespace showrun
