// The command line: what is accepted, what is refused and why, and the time of each video
// frame. The executable's tests run the kinds of bad input a user meets most.
#include "tools/capture/CaptureError.h"
#include "tools/capture/CaptureOptions.h"

#include <gmock/gmock.h>

#include <tuple>

using namespace capture;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

TEST(CaptureOptions, AcceptedCommandLines)
{
    // Times keep their order and repeats and cover the clock's range; values may follow '='.
    const CaptureOptions stills =
        ParseArguments({"--assets=pics", "--at=12500,0,007,12500,4294967295", "--out", "f"});
    EXPECT_EQ(stills.mode, CaptureMode::Stills);
    EXPECT_EQ(stills.times, (std::vector<std::uint32_t>{12500, 0, 7, 12500, 4294967295u}));
    EXPECT_EQ(stills.outDir, "f");
    EXPECT_EQ(stills.assetsDir, "pics");
    // By default a video shows the show and the first scroller cycle at 60 frames per second.
    const CaptureOptions video = ParseArguments({"--video", "v.mp4"});
    EXPECT_EQ(video.videoFile, "v.mp4");
    EXPECT_EQ(VideoFrameCount(video.fps, video.seconds), 6600u);
    EXPECT_EQ(ParseArguments({"--video", "v.mp4", "--fps", "7"}).fps, 7);
    // Seconds in any decimal form.
    for (const auto& [text, seconds] : std::initializer_list<std::pair<const char*, double>>{
             {"2.5", 2.5}, {".5", 0.5}, {"5.", 5.0}, {"007", 7.0}})
        EXPECT_EQ(ParseArguments({"--video", "v.mp4", "--seconds", text}).seconds, seconds) << text;
    // The kind of video by the name, in any case; sharp enlargement; ffmpeg's messages.
    const CaptureOptions webm = ParseArguments({"--video", "v.WebM", "--scale=3", "--verbose"});
    EXPECT_EQ(webm.container, Container::WebM);
    EXPECT_EQ(webm.scale, 3);
    EXPECT_TRUE(webm.verbose);
    EXPECT_EQ(ParseArguments({"--video", "a.b.mkv"}).container, Container::Mkv);
    // Times from a file, read by the caller; within it any commas, spaces and line ends.
    EXPECT_EQ(ParseArguments({"--at", "@list", "--out", "f"}).timesFile, "list");
    EXPECT_EQ(ParseArguments({"--at-file", "@list", "--out", "f"}).timesFile, "@list");
    EXPECT_EQ(ParseTimeFile("\n1, 2\r\n\n3\t4,,5\n"), (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ParseArguments({"--bogus", "-h"}).mode, CaptureMode::Help);
    EXPECT_EQ(ParseArguments({"--at", "x", "--version"}).mode, CaptureMode::Version);
    // Checked unless told; the upload preset sets 4x at 60 fps, any length.
    EXPECT_TRUE(video.check);
    EXPECT_FALSE(ParseArguments({"--video", "v.mp4", "--no-check"}).check);
    const CaptureOptions upload =
        ParseArguments({"--video", "v.mp4", "--for-upload", "--seconds", "2"});
    EXPECT_TRUE(upload.forUpload && upload.check);
    EXPECT_EQ(std::tuple(upload.scale, upload.fps, upload.seconds), std::tuple(4, 60, 2.0));
}

TEST(CaptureOptions, RefusedCommandLinesSayWhy)
{
    const std::string digits(400, '9'), tiny = "0." + std::string(399, '0') + "1";
    const std::string_view Digits = digits, Tiny = tiny;
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {{"--at", "0,1.5", "--out", "f"}, "malformed time \"1.5\""},
        {{"--at", "+5", "--out", "f"}, "malformed time \"+5\""},
        {{"--at", "-5", "--out", "f"}, "negative time -5"},
        {{"--at", "1,,2", "--out", "f"}, "empty time"},
        {{"--at", "4294967296", "--out", "f"}, "time \"4294967296\" in --at is out of range"},
        {{"--video", "v.mp4", "--fps", "0"}, "--fps \"0\" is out of range"},
        {{"--video", "v.mp4", "--fps", "1001"}, "--fps \"1001\" is out of range (from 1 to 1000)"},
        {{"--video", "v.mp4", "--fps", "1.5"}, "--fps wants a whole number from 1 to 1000"},
        {{"--video", "v.mp4", "--seconds", "0"}, "--seconds"},
        {{"--video", "v.mp4", "--seconds", "1e3"}, "--seconds"},
        {{"--video", "v.mp4", "--seconds", "."}, "--seconds wants a length above 0"},
        {{"--video", "v.mp4", "--seconds", "1.2.3"}, "--seconds wants a length above 0"},
        // A number too long for a double: out of range, shown cut short; or shorter than a frame.
        {{"--video", "v.mp4", "--seconds", Digits},
         "--seconds \"99999999999999999999999999999999...\" (400 characters) is out of range"},
        {{"--video", "v.mp4", "--seconds", Tiny}, "shorter than one frame"},
        {{"--video", "v.mp4", "--fps", "1", "--seconds", "0.4"}, "one frame"},
        {{"--video", "v.mp4", "--fps", "1", "--seconds", "5000000"}, "too long"},
        {{"--at", "1"}, "--at needs --out"},
        {{"--video", "v.mp4", "--out", "f"}, "--out goes with --at"},
        {{"--at", "1", "--out", "f", "--fps", "30"}, "go with --video"},
        {{}, "nothing to do"},
        {{"frames"}, "unexpected argument \"frames\""},
        {{"--at", "1", "--at", "2", "--out", "f"}, "--at is given twice"},
        {{"--at", "1", "--out"}, "--out needs a value"},
        {{"--at", "1", "--out", ""}, "--out needs a non-empty path"},
        {{"--at", "@", "--out", "f"}, "--at @ needs a non-empty path"},
        {{"--at", "1", "--at-file", "t", "--out", "f"}, "cannot be used together"},
        {{"--at", "1", "--out", "f", "--scale", "2"}, "go with --video"},
        {{"--video", "v.mp4", "--scale", "9"}, "--scale \"9\" is out of range (from 1 to 8)"},
        // Control bytes are shown escaped, never raw.
        {{"--bogus\x1b[2J"}, "unknown option \"--bogus\\x1B[2J\""},
        {{"--at", "5\r", "--out", "f"}, "malformed time \"5\\x0D\""},
        {{"--video", "v\u0085.avi"}, "\"v\\u0085.avi\""},
        {{"--video", "v.mp4", "--verbose=yes"}, "--verbose takes no value"},
        {{"--video", "v.avi"}, "name the file .mp4"},
        {{"--video", "v"}, "name the file .mp4"},
        {{"--video", "out/"}, "ends in /"},
        {{"--video", "v.mp4", "--for-upload", "--scale", "2"}, "sets --scale 4 and --fps 60"},
        {{"--video", "v.mp4", "--for-upload", "--fps", "30"}, "sets --scale 4 and --fps 60"},
        {{"--video", "v.webm", "--for-upload"}, "makes an .mp4 file"},
        {{"--at", "1", "--out", "f", "--no-check"}, "go with --video"},
        {{"--video", "v.mp4", "--no-check=1"}, "--no-check takes no value"},
    };
    for (const auto& [args, reason] : cases)
        EXPECT_THAT([&] { ParseArguments(args); }, ThrowsMessage<CaptureError>(HasSubstr(reason)))
            << ::testing::PrintToString(args);
    EXPECT_THAT([] { ParseTimeFile(" \n"); }, ThrowsMessage<CaptureError>(HasSubstr("no time")));
    EXPECT_THAT([] { ParseTimeFile("1;2"); }, ThrowsMessage<CaptureError>(HasSubstr("\"1;2\"")));
    EXPECT_THAT([] { ParseTimeFile(std::string_view("1 2\0", 4)); },
                ThrowsMessage<CaptureError>(HasSubstr("\"2\\x00\"")));
}

TEST(CaptureOptions, VideoFramesShowTheirTimeRoundedDown)
{
    const std::tuple<std::uint32_t, int, std::uint32_t> frames[] = {
        {1, 60, 16}, {2, 60, 33}, {3, 60, 50}, {6, 7, 857}, {4294967u, 1, 4294967000u}};
    for (const auto& [index, fps, time] : frames)
        EXPECT_EQ(VideoFrameTime(index, fps), time) << "frame " << index << " at " << fps;
    EXPECT_EQ(VideoFrameCount(10, 2.5), 25u);
    EXPECT_EQ(VideoFrameCount(1000, 0.001), 1u);
}
