// The launcher's command line, and where frames and windows go on screens of other sizes.
#include "platform/Display.h"
#include "launcher/Launch.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// What the launcher does with a command line, in a few words.
std::string Outcome(std::vector<const char*> args)
{
    args.insert(args.begin(), "quen");
    const launch::Request r = launch::ReadCommandLine(static_cast<int>(args.size()), args.data());
    if (r.action == launch::Request::Action::Play)
        return (r.display.fullscreen ? "fullscreen x" : "window x") +
               std::to_string(r.display.scale) +
               (r.startMs != 0 ? " from " + std::to_string(r.startMs) + " ms" : "");
    const bool refused = r.action == launch::Request::Action::Refuse;
    return (refused ? "refuses: " : "prints ") + (refused ? r.text : r.text.substr(0, 6));
}

TEST(Options, AreReadAsDocumented)
{
    const struct
    {
        std::vector<const char*> args;
        std::string outcome;
    } cases[] = {
        {{}, "window x1"},
        {{"--scale", "3"}, "window x3"},
        {{"--scale=8", "--fullscreen"}, "fullscreen x8"},
        {{"--fullscreen", "--window"}, "window x1"},
        {{"--fullscreen", "--help"}, "prints Usage:"},
        {{"--version"}, "prints quen 1"},
        {{"--fulscreen"}, "refuses: quen: unknown option '--fulscreen' (see quen --help)\n"},
        {{"zeft.mp3"}, "refuses: quen: unknown option 'zeft.mp3' (see quen --help)\n"},
        {{"--start", "45"}, "window x1 from 45000 ms"},
        {{"--start=12.5", "--scale", "2"}, "window x2 from 12500 ms"},
        {{"--start", ".25"}, "window x1 from 250 ms"},
        {{"--start", "7."}, "window x1 from 7000 ms"},
        {{"--start", "1.23456"}, "window x1 from 1234 ms"},
        {{"--start", "1000000"}, "window x1 from 1000000000 ms"},
        {{"--start", "0"}, "window x1"},
        // A terminal's control bytes are shown escaped, never sent to it.
        {{"\x1b]0;x\a\xc2\x9b"},
         "refuses: quen: unknown option '\\x1B]0;x\\x07\\u009B' (see quen --help)\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Outcome(c.args), c.outcome);
    const std::string badScale =
        "refuses: quen: --scale needs a whole number from 1 to 8 (see quen --help)\n";
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--scale"}, {"--scale", "0"}, {"--scale=9"}, {"--scale", "1.5"}, {"--scale="}})
        EXPECT_EQ(Outcome(args), badScale) << args.back();
    const std::string badStart = "refuses: quen: --start needs seconds from 0 to 1000000, such "
                                 "as 45 or 12.5 (see quen --help)\n";
    for (const auto& args :
         std::vector<std::vector<const char*>>{{"--start"},
                                               {"--start", "-1"},
                                               {"--start", "."},
                                               {"--start", "1e3"},
                                               {"--start", "1000000.001"},
                                               {"--start", "99999999999999999999"},
                                               {"--start", "4,5"}})
        EXPECT_EQ(Outcome(args), badStart) << args.back();
}

TEST(FitFrame, KeepsTheProportionsAndCentres)
{
    const struct
    {
        int areaW, areaH;
        display::Rect fit;
    } cases[] = {
        {1600, 1200, {0, 0, 1600, 1200}},
        {1920, 1200, {160, 0, 1600, 1200}},
        {1920, 1080, {240, 0, 1440, 1080}},
        {800, 1000, {0, 200, 800, 600}},
        {0, 600, {0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(display::FitFrame(c.areaW, c.areaH, 800, 600), c.fit)
            << c.areaW << "x" << c.areaH;
    // The window grows about the shell's centre, without clamping.
    EXPECT_EQ(display::ScaledWindow({560, 420, 800, 600}, 2),
              (display::Rect{160, 120, 1600, 1200}));
    EXPECT_EQ(display::ScaledWindow({0, 0, 800, 600}, 3), (display::Rect{-800, -600, 2400, 1800}));
}

} // namespace
