// The launcher's command line, and where frames and windows go on screens of other sizes.
#include "platform/Display.h"
#include "platform/Launch.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using Action = launch::Request::Action;

struct CommandLine
{
    const char* name;
    std::vector<const char*> args;
    Action action;
    bool fullscreen;
    int scale;
    const char* text; // the start of what is printed
};

class Options : public ::testing::TestWithParam<CommandLine>
{
};

TEST_P(Options, AreReadAsDocumented)
{
    const CommandLine& c = GetParam();
    std::vector<const char*> argv{"quen"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const launch::Request r = launch::ReadCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(r.action, c.action);
    EXPECT_EQ(r.display.fullscreen, c.fullscreen);
    EXPECT_EQ(r.display.scale, c.scale);
    EXPECT_EQ(r.text.substr(0, std::string(c.text).size()), c.text) << r.text;
    if (r.action == Action::Refuse) // one line
    {
        EXPECT_EQ(r.text.find('\n'), r.text.size() - 1) << r.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    , Options,
    ::testing::Values(
        CommandLine{"None", {}, Action::Play, false, 1, ""},
        CommandLine{"Scale", {"--scale", "3"}, Action::Play, false, 3, ""},
        CommandLine{"ScaleJoined", {"--scale=8"}, Action::Play, false, 8, ""},
        CommandLine{"Fullscreen", {"--scale", "2", "--fullscreen"}, Action::Play, true, 2, ""},
        CommandLine{
            "WindowAfterFullscreen", {"--fullscreen", "--window"}, Action::Play, false, 1, ""},
        CommandLine{"Help", {"--fullscreen", "--help"}, Action::Inform, false, 1, "Usage: quen "},
        CommandLine{"Version", {"--version"}, Action::Inform, false, 1, "quen 1."},
        CommandLine{"Unknown",
                    {"--fulscreen"},
                    Action::Refuse,
                    false,
                    1,
                    "quen: unknown option '--fulscreen'"},
        CommandLine{
            "Argument", {"show.mp3"}, Action::Refuse, false, 1, "quen: unknown option 'show.mp3'"},
        CommandLine{"ScaleMissing", {"--scale"}, Action::Refuse, false, 1, "quen: --scale needs"},
        CommandLine{"ScaleZero", {"--scale", "0"}, Action::Refuse, false, 1, "quen: --scale needs"},
        CommandLine{"ScaleNine", {"--scale=9"}, Action::Refuse, false, 1, "quen: --scale needs"},
        CommandLine{
            "ScaleFraction", {"--scale", "1.5"}, Action::Refuse, false, 1, "quen: --scale needs"}),
    [](const ::testing::TestParamInfo<CommandLine>& info) { return std::string(info.param.name); });

TEST(FitFrame, KeepsTheProportionsAndCentres)
{
    const struct
    {
        int areaW, areaH;
        display::Rect fit;
    } cases[] = {
        {800, 600, {0, 0, 800, 600}},
        {1600, 1200, {0, 0, 1600, 1200}}, // whole multiples
        {1920, 1200, {160, 0, 1600, 1200}},
        {1920, 1080, {240, 0, 1440, 1080}},
        {1024, 768, {0, 0, 1024, 768}},
        {800, 1000, {0, 200, 800, 600}},
        {801, 601, {0, 0, 801, 600}},
        {640, 480, {0, 0, 640, 480}},
        {0, 600, {0, 0, 0, 0}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.areaW << "x" << c.areaH);
        EXPECT_EQ(display::FitFrame(c.areaW, c.areaH, 800, 600), c.fit);
    }
}

TEST(ScaledWindow, GrowsAboutTheShellsCentre)
{
    EXPECT_EQ(display::ScaledWindow({560, 420, 800, 600}, 2),
              (display::Rect{160, 120, 1600, 1200}));
    EXPECT_EQ(display::ScaledWindow({112, 84, 800, 600}, 1), (display::Rect{112, 84, 800, 600}));
    EXPECT_EQ(display::ScaledWindow({0, 0, 800, 600}, 3), (display::Rect{-800, -600, 2400, 1800}));
}

} // namespace
