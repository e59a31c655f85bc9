// The command line: what is accepted, what is refused and with which reason.
#include "tools/capture/CaptureError.h"
#include "tools/capture/CaptureOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace capture;

namespace
{

CaptureOptions Parse(std::vector<std::string_view> args)
{
    return ParseArguments(args);
}

// The reason ParseArguments gives for refusing `args`; empty if it accepts them.
std::string Refusal(std::vector<std::string_view> args)
{
    try
    {
        ParseArguments(args);
    }
    catch (const CaptureError& error)
    {
        return error.what();
    }
    return {};
}

} // namespace

TEST(CaptureOptions, AtKeepsTheListedOrderAndRepeats)
{
    const CaptureOptions options = Parse({"--at", "12500,0,45000,12500", "--out", "frames"});
    EXPECT_EQ(options.mode, CaptureMode::Stills);
    EXPECT_EQ(options.times, (std::vector<std::uint32_t>{12500, 0, 45000, 12500}));
    EXPECT_EQ(options.outDir, "frames");
    EXPECT_FALSE(options.assetsDir.has_value());
}

TEST(CaptureOptions, ValuesMayFollowAnEqualsSign)
{
    const CaptureOptions options = Parse({"--assets=pics", "--at=7", "--out=out"});
    EXPECT_EQ(options.times, std::vector<std::uint32_t>{7});
    EXPECT_EQ(options.outDir, "out");
    EXPECT_EQ(options.assetsDir, std::filesystem::path("pics"));
}

TEST(CaptureOptions, TimesCoverTheWholeClockRange)
{
    EXPECT_EQ(ParseTimeList("0,4294967295"), (std::vector<std::uint32_t>{0, 4294967295u}));
    EXPECT_EQ(ParseTimeList("007"), std::vector<std::uint32_t>{7});
    EXPECT_NE(Refusal({"--at", "4294967296", "--out", "f"}).find("too large"), std::string::npos);
    EXPECT_NE(Refusal({"--at", "99999999999999999999999", "--out", "f"}).find("too large"),
              std::string::npos);
}

TEST(CaptureOptions, MalformedTimesAreRefusedNamingThem)
{
    for (std::string_view item : {"1.5", "12a", "+5", "0x10", " 1", "1e3", "ten"})
    {
        const std::string list = "0," + std::string(item);
        const std::string reason = Refusal({"--at", list, "--out", "f"});
        EXPECT_NE(reason.find("malformed time \"" + std::string(item) + "\""), std::string::npos)
            << item << ": " << reason;
    }
    for (std::string_view list : {"", "1,,2", "1,", ",1"})
    {
        EXPECT_NE(Refusal({"--at", list, "--out", "f"}).find("empty time"), std::string::npos)
            << list;
    }
}

TEST(CaptureOptions, NegativeTimesAreCalledNegative)
{
    EXPECT_NE(Refusal({"--at", "-5", "--out", "f"}).find("negative time -5"), std::string::npos);
    EXPECT_NE(Refusal({"--at", "100,-1", "--out", "f"}).find("negative"), std::string::npos);
}

TEST(CaptureOptions, VideoDefaultsCoverTheShowAndTheFirstScrollerCycle)
{
    const CaptureOptions options = Parse({"--video", "show.mp4"});
    EXPECT_EQ(options.mode, CaptureMode::Video);
    EXPECT_EQ(options.videoFile, "show.mp4");
    EXPECT_EQ(options.fps, 60);
    EXPECT_EQ(options.seconds, 110.0);
    const std::uint32_t frames = VideoFrameCount(options.fps, options.seconds);
    EXPECT_EQ(frames, 6600u);
    // The scroller starts at 65 s and repeats every 45 s: the last frame lies in its first cycle.
    EXPECT_GE(VideoFrameTime(frames - 1, 60), 65000u + 44900u);
    EXPECT_LT(VideoFrameTime(frames - 1, 60), 110000u);
}

TEST(CaptureOptions, VideoFrameTimesRoundDown)
{
    EXPECT_EQ(VideoFrameTime(0, 60), 0u);
    EXPECT_EQ(VideoFrameTime(1, 60), 16u);
    EXPECT_EQ(VideoFrameTime(2, 60), 33u);
    EXPECT_EQ(VideoFrameTime(3, 60), 50u);
    EXPECT_EQ(VideoFrameTime(7, 10), 700u);
    EXPECT_EQ(VideoFrameTime(6, 7), 857u);
    // No overflow for late frames.
    EXPECT_EQ(VideoFrameTime(4294967u, 1), 4294967000u);
}

TEST(CaptureOptions, VideoLengthAndRateAreChecked)
{
    const CaptureOptions options = Parse({"--video", "v.mp4", "--fps", "10", "--seconds", "2.5"});
    EXPECT_EQ(options.fps, 10);
    EXPECT_EQ(options.seconds, 2.5);
    EXPECT_EQ(VideoFrameCount(10, 2.5), 25u);
    EXPECT_EQ(VideoFrameCount(1000, 0.001), 1u);

    for (std::string_view fps : {"0", "1001", "-1", "abc", "2.5", ""})
        EXPECT_NE(Refusal({"--video", "v.mp4", "--fps", fps}).find("--fps"), std::string::npos)
            << fps;
    for (std::string_view seconds : {"0", "0.0", "-2", "abc", "1e3", "inf", "nan", "2.", ".5", ""})
        EXPECT_NE(Refusal({"--video", "v.mp4", "--seconds", seconds}).find("--seconds"),
                  std::string::npos)
            << seconds;
    EXPECT_NE(Refusal({"--video", "v.mp4", "--fps", "1", "--seconds", "0.4"}).find("one frame"),
              std::string::npos);
    EXPECT_NE(Refusal({"--video", "v.mp4", "--fps", "1", "--seconds", "5000000"}).find("too long"),
              std::string::npos);
}

TEST(CaptureOptions, OptionsThatDoNotGoTogetherAreRefused)
{
    EXPECT_NE(Refusal({"--at", "1", "--out", "f", "--video", "v.mp4"}).find("together"),
              std::string::npos);
    EXPECT_NE(Refusal({"--at", "1"}).find("--at needs --out"), std::string::npos);
    EXPECT_NE(Refusal({"--out", "f"}).find("--out goes with --at"), std::string::npos);
    EXPECT_NE(Refusal({"--video", "v.mp4", "--out", "f"}).find("--out goes with --at"),
              std::string::npos);
    EXPECT_NE(Refusal({"--at", "1", "--out", "f", "--fps", "30"}).find("go with --video"),
              std::string::npos);
    EXPECT_NE(Refusal({"--seconds", "3"}).find("go with --video"), std::string::npos);
    EXPECT_NE(Refusal({}).find("nothing to do"), std::string::npos);
}

TEST(CaptureOptions, UnknownRepeatedAndIncompleteOptionsAreRefused)
{
    EXPECT_NE(
        Refusal({"--at", "1", "--out", "f", "--frames", "3"}).find("unknown option \"--frames\""),
        std::string::npos);
    EXPECT_NE(Refusal({"-x"}).find("unexpected argument \"-x\""), std::string::npos);
    EXPECT_NE(Refusal({"frames"}).find("unexpected argument"), std::string::npos);
    EXPECT_NE(Refusal({"--at", "1", "--at", "2", "--out", "f"}).find("--at is given twice"),
              std::string::npos);
    EXPECT_NE(Refusal({"--at", "1", "--out"}).find("--out needs a value"), std::string::npos);
    EXPECT_NE(Refusal({"--at", "1", "--out", ""}).find("non-empty"), std::string::npos);
    EXPECT_NE(Refusal({"--video", "v.mp4", "--assets="}).find("non-empty"), std::string::npos);
}

TEST(CaptureOptions, HelpWinsOverEverythingElse)
{
    EXPECT_EQ(Parse({"--help"}).mode, CaptureMode::Help);
    EXPECT_EQ(Parse({"--bogus", "-h"}).mode, CaptureMode::Help);
    const std::string help = HelpText();
    for (const char* topic : {"--at", "--out", "--video", "--fps", "--seconds", "--assets",
                              "Examples:", "quen-capture --assets assets --at 0,5000,13000",
                              "apt-get install ffmpeg", "Exit status"})
        EXPECT_NE(help.find(topic), std::string::npos) << topic;
}
