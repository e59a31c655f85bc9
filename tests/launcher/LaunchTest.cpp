// The launcher's command line, where frames and windows go on screens of other sizes, and
// where the show's files are taken from.
#include "platform/Display.h"
#include "launcher/Launch.h"
#include "support/TestAssets.h"

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
               (r.startMs != 0 ? " from " + std::to_string(r.startMs) + " ms" : "") +
               (r.assets ? " in " + r.assets->string() : "");
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
        {{"--assets", "../assets", "--scale=2"}, "window x2 in ../assets"},
        {{"--assets=/a", "--assets", "b c"}, "window x1 in b c"},
        {{"--assets"}, "refuses: quen: --assets needs a folder (see quen --help)\n"},
        {{"--assets="}, "refuses: quen: --assets needs a folder (see quen --help)\n"},
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

TEST(Scale, FallsBackToTheLargestFactorThatFits)
{
    const struct
    {
        int scale, areaW, areaH;
        int used; // 0: as asked, nothing said
    } cases[] = {
        {2, 1920, 1200, 0}, {2, 1600, 1200, 0}, {3, 2400, 1800, 0}, {8, 6400, 4800, 0},
        {2, 1920, 1080, 1}, {3, 1920, 1080, 1}, {2, 1600, 1199, 1}, {2, 1599, 1200, 1},
        {3, 2560, 1440, 2}, {4, 3840, 2160, 3}, {8, 3840, 2160, 3}, {5, 4000, 3000, 0},
        {8, 7000, 4799, 7}, {1, 640, 480, 0},   {2, 0, 0, 1},
    };
    for (const auto& c : cases)
    {
        sys::DisplayOptions display;
        display.scale = c.scale;
        const std::string line = launch::FitToScreen(display, c.areaW, c.areaH);
        const std::string area = std::to_string(c.areaW) + "x" + std::to_string(c.areaH);
        EXPECT_EQ(display.scale, c.used == 0 ? c.scale : c.used) << c.scale << " on " << area;
        EXPECT_EQ(line, c.used == 0
                            ? ""
                            : "quen: --scale " + std::to_string(c.scale) + " does not fit " + area +
                                  "; using " + std::to_string(c.used) + "\n");
    }
}

TEST(KeepInside, MovesTheWindowClearOfPanelsWhereItFits)
{
    const display::Rect area{0, 40, 1920, 1040}; // a 40-pixel panel at the top
    const struct
    {
        display::Rect window, kept;
    } cases[] = {
        {{560, 240, 800, 600}, {560, 240, 800, 600}},     // inside: unmoved
        {{560, 0, 800, 600}, {560, 40, 800, 600}},        // under the panel
        {{1500, 700, 800, 600}, {1120, 480, 800, 600}},   // past the right and the bottom
        {{-100, 500, 800, 600}, {0, 480, 800, 600}},      // past the left
        {{160, -60, 1600, 1200}, {160, -60, 1600, 1200}}, // too tall: left where it is
        {{-400, 100, 2400, 600}, {-400, 100, 2400, 600}}, // too wide, but fits the height
        {{0, 40, 1920, 1040}, {0, 40, 1920, 1040}},       // exactly the area
    };
    for (const auto& c : cases)
        EXPECT_EQ(display::KeepInside(c.window, area), c.kept)
            << c.window.x << "," << c.window.y << " " << c.window.width << "x" << c.window.height;
}

TEST(ShowFolder, IsTheFirstThatHoldsAnyOfTheFiles)
{
    const testassets::ScratchDir root("quen-launch");
    for (const char* folder : {"here", "empty", "build-tree", "installed", "music-only"})
        std::filesystem::create_directory(root / folder);
    testassets::WriteFile(root / "here" / "j2.jpg", {1});
    for (const char* name : {"initial.jpg", "j1.jpg", "j3.jpg", "scroller.jpg"})
    {
        testassets::WriteFile(root / "build-tree" / name, {1});
        testassets::WriteFile(root / "installed" / name, {1});
    }
    testassets::WriteFile(root / "music-only" / "zeft.mp3", {1});
    testassets::WriteFile(root / "plain-file", {1});
    const auto in = [&](const char* name) { return root / name; };
    const auto taking = [&](const char* name)
    {
        return "quen: taking the pictures and music from " + in(name).string() + " (none in " +
               in("empty").string() + ")\n";
    };
    const auto notFolder = [&](const char* name)
    { return "quen: --assets " + in(name).string() + " is not a folder (see quen --help)\n"; };
    const std::string notFound = "; the show plays black and silent (run it in their folder, as "
                                 "in cd assets && ../build/quen, or name it with --assets DIR)\n";
    const std::string empty = in("empty").string(), missing = in("missing").string();
    const struct
    {
        std::optional<std::filesystem::path> asked;
        const char* current;
        std::vector<std::filesystem::path> builtIn;
        std::filesystem::path folder;
        std::string line;
        bool refused;
    } cases[] = {
        // One file in the current folder keeps the show there, with nothing said.
        {{}, "here", {in("build-tree")}, {}, "", false},
        // Else the first built-in folder that holds any.
        {{},
         "empty",
         {in("missing"), in("music-only"), in("installed")},
         in("music-only"),
         taking("music-only"),
         false},
        {{},
         "empty",
         {in("build-tree"), in("installed")},
         in("build-tree"),
         taking("build-tree"),
         false},
        // Found nowhere: every folder looked in is named.
        {{},
         "empty",
         {in("missing"), in("empty")},
         {},
         "quen: the pictures and music are in none of " + empty + ", " + missing + ", " + empty +
             notFound,
         false},
        {{},
         "empty",
         {},
         {},
         "quen: the pictures and music are in none of " + empty + notFound,
         false},
        // --assets is taken as it is, never searched past.
        {in("installed"), "here", {in("build-tree")}, in("installed"), "", false},
        {in("empty"),
         "here",
         {in("build-tree")},
         in("empty"),
         "quen: none of the pictures and music is in " + empty +
             "; the show plays black and silent\n",
         false},
        {in("missing"), "here", {}, in("missing"), notFolder("missing"), true},
        {in("plain-file"), "here", {}, in("plain-file"), notFolder("plain-file"), true},
    };
    for (const auto& c : cases)
    {
        const launch::ShowFolder found = launch::FindShowFolder(c.asked, in(c.current), c.builtIn);
        EXPECT_EQ(found.folder, c.folder) << c.current;
        EXPECT_EQ(found.line, c.line) << c.current;
        EXPECT_EQ(found.refused, c.refused) << c.current;
    }
}

TEST(Help, NamesTheFoldersOfTheFiles)
{
    const char* args[] = {"quen", "--help"};
    const std::string help = launch::ReadCommandLine(2, args, {"/opt/q/share/quen"}).text;
    EXPECT_NE(help.find("when any of them is there,\nelse from the folder of this build or "
                        "installation:\n  /opt/q/share/quen\nA missing"),
              std::string::npos)
        << help;
    const std::string alone = launch::ReadCommandLine(2, args, {}).text;
    EXPECT_NE(alone.find("when any of them is there.\nA missing"), std::string::npos) << alone;
}

} // namespace
