// Runs the demo's start-up, frames across the whole schedule and shutdown, headless, in a
// scratch folder that holds the six input files, and reports what happened.
#pragma once

#include "robustness/BadInputs.h"
#include "shell/Demo.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace showrun
{

// The five pictures: file, size the demo gives its surface, and the surface.
struct PictureFile
{
    const char* name;
    int width, height;
    IDirectDrawSurface7** surface;
    int seed; // of its smooth test picture
};
extern const PictureFile Pictures[5];
const PictureFile& Picture(const std::string& name);

// The good version of each input: the smooth pictures at their surface sizes, as baseline
// JPEGs, and the project's own soundtrack.
badinputs::Bytes GoodPicture(const PictureFile& picture);
const badinputs::Bytes& GoodMusic();

// Whether no pixel of the surface has any colour.
bool IsBlack(const IDirectDrawSurface7* surface);

// What one run of the show did.
struct Outcome
{
    std::vector<std::string> stderrLines;
    int frames = 0;
};

class ShowTest : public ::testing::Test
{
  protected:
    static constexpr DWORD StartTicks = 7000;

    std::string dir;

    void SetUp() override;
    void TearDown() override;

    // Writes or removes one of the input files in the scratch folder.
    void Put(const std::string& name, const badinputs::Bytes& bytes);
    void Remove(const std::string& name);

    // StartDemo, then `afterStartUp`, then one frame for each of `elapsedMs` (milliseconds
    // after StartTick) with `afterFrame` called after each, then StopDemo. Everything printed
    // on stderr meanwhile is returned.
    Outcome Run(const std::vector<DWORD>& elapsedMs, const std::function<void()>& afterStartUp,
                const std::function<void(DWORD step)>& afterFrame);

    // Frames spread evenly over two minutes of the show (every segment and one full scroller
    // cycle), plus one frame in the middle of each segment.
    static std::vector<DWORD> AcrossTheSchedule(int frames);
};

} // namespace showrun
