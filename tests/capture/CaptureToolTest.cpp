// The quen-capture executable run as a user would: pictures, videos, and bad input and other
// failures, which must end with one line on stderr, exit status 2 (130 when interrupted) and
// nothing left behind.
#include "CaptureTestSupport.h"

#include "tools/capture/VideoPipe.h"

#include <gmock/gmock.h>

#include <sstream>

using namespace capturetest;
using ::testing::MatchesRegex;

namespace
{

const std::string Tool = QUEN_CAPTURE_EXE, Assets = "--assets=" + AssetsDir.string();
const bool HaveFfmpeg = capture::FindProgram("ffmpeg") && capture::FindProgram("ffprobe");

} // namespace

TEST(CaptureTool, AtWritesTheFramesTheShowRenders)
{
    TempFolder folder;
    // --out is taken from where the command runs, not from the assets folder.
    const RunResult result = RunProgram({"env", "-C", folder.path, Tool, Assets, "--at",
                                         "0,5000,13000,60000,60000", "--out", "frames"});
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, ""); // all assets found, short run: quiet
    EXPECT_EQ(folder.Contents(),
              (std::vector<std::string>{"frames", "frames/0.png", "frames/13000.png",
                                        "frames/5000.png", "frames/60000.png"}));
    // A time listed twice is rendered twice; its file holds the later frame, which the cube
    // frame before has turned.
    const std::vector<std::uint32_t> times = {0, 5000, 13000, 60000, 60000};
    const auto expected = RenderSequence(times);
    for (std::size_t i : {0, 1, 2, 4})
        EXPECT_TRUE(ReadPng(folder / "frames" / (std::to_string(times[i]) + ".png")) == expected[i])
            << times[i];
}

TEST(CaptureTool, VideosHaveTheShowAndTheMusicLoopedToTheirLength)
{
    if (!HaveFfmpeg)
        GTEST_SKIP() << "ffmpeg is not installed";
    TempFolder folder;
    std::ofstream(folder / "zeft.mp3") << "not music";
    const auto before = folder.Contents();
    const std::string video = folder / "v.mp4", picture = "h264,video,800,600,yuv420p";
    const std::tuple<std::string, std::string, std::string, std::vector<std::string>> cases[] = {
        {Assets, "10", "2", {picture, "aac,audio"}},
        {Assets, "1", "70", {picture, "aac,audio"}}, // longer than the music (64 s)
        // No pictures and no music: black pictures, as in the demo, and no sound.
        {"--assets=" + folder.path.string(), "10", "1", {picture}},
    };
    for (const auto& [assets, fps, seconds, expected] : cases)
    {
        SCOPED_TRACE(assets + " at " + fps + " frames/s for " + seconds + " s");
        const RunResult result =
            RunProgram({Tool, assets, "--video", video, "--fps", fps, "--seconds", seconds});
        ASSERT_EQ(result.status, 0) << result.output;
        for (const char* line :
             {"quen: cannot load picture \"initial.jpg\"", "quen: cannot open music \"zeft.mp3\"",
              "quen-capture: no music could be opened; the video is silent"})
            EXPECT_EQ(result.output.find(line) != std::string::npos, expected.size() == 1) << line;
        // One line per stream: codec, kind, size, pixel format, duration.
        std::istringstream probe(
            RunProgram({"ffprobe", "-v", "error", "-show_entries",
                        "stream=codec_type,codec_name,width,height,pix_fmt,duration", "-of",
                        "csv=p=0", video})
                .output);
        std::vector<std::string> streams;
        for (std::string line; std::getline(probe, line);)
        {
            const std::size_t comma = line.rfind(',');
            EXPECT_NEAR(std::stod(line.substr(comma + 1)), std::stod(seconds), 0.1) << line;
            streams.push_back(line.substr(0, comma));
        }
        EXPECT_EQ(streams, expected);
        fs::remove(video);
        EXPECT_EQ(folder.Contents(), before);
    }
}

TEST(CaptureTool, FailuresEndWithOneLineAndLeaveNothingBehind)
{
    TempFolder folder;
    std::ofstream(folder / "file") << "a file, not a folder";
    const std::string out = folder / "out", video = folder / "v.mp4", file = folder / "file";
    // A stand-in for ffmpeg that runs the script given to it in $FAKE.
    fs::create_directories(folder / "bin");
    std::ofstream(folder / "bin" / "ffmpeg") << "#!/bin/sh\neval \"$FAKE\"\n";
    fs::permissions(folder / "bin" / "ffmpeg", fs::perms::owner_all);
    // The stand-in's script (none: no ffmpeg on PATH), the arguments, the reason given.
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"", {"--bogus"}, "unknown option \"--bogus\""},
        {"", {"--at", "0,5s", "--out", out}, "malformed time \"5s\""},
        {"", {"--at", "-5", "--out", out}, "negative time -5"},
        {"", {"--at", "5", "--out", out, "--assets", out}, "cannot use assets folder"},
        {"", {"--at", "5", "--out", file + "/frames"}, "cannot create output folder"},
        {"", {"--at", "5", "--out", file}, "cannot create output folder"},
        {"exit 0", {"--video", file + "/v.mp4"}, "cannot create output folder"},
        {"exit 0", {"--video", folder.path}, "is a folder"},
        {"", {"--video", video}, "apt-get install ffmpeg"},
        // Writes the start of a video to its output (the last argument), then fails.
        {"for f; do :; done; echo half >\"${f#file:}\"; exit 3",
         {"--video", video, Assets},
         "ffmpeg failed with exit status 3"},
        {"cat >/dev/null", {"--video", video, Assets, "--seconds", "1"}, "nothing was written"},
        {"kill -KILL $$", {"--video", video, Assets}, "ffmpeg failed with signal 9"},
        // Stopped as by Ctrl-C or a shutdown once ffmpeg has begun the video.
        {"for f; do :; done; echo half >\"${f#file:}\"; kill -TERM $PPID; cat >/dev/null",
         {"--video", video, Assets},
         "interrupted"},
    };
    const auto before = folder.Contents();
    for (const auto& [script, args, reason] : cases)
    {
        std::vector<std::string> command = {
            "env", script.empty() ? "PATH=" : "PATH=" + (folder / "bin").string() + ":/bin",
            "FAKE=" + script, Tool};
        command.insert(command.end(), args.begin(), args.end());
        SCOPED_TRACE(::testing::PrintToString(command));
        const RunResult result = RunProgram(command);
        EXPECT_EQ(result.status, reason == "interrupted" ? 130 : 2);
        // One line, naming the tool and giving the reason.
        EXPECT_THAT(result.output, MatchesRegex("quen-capture: [^\n]*" + reason + "[^\n]*\n"));
        EXPECT_EQ(folder.Contents(), before);
    }
}
