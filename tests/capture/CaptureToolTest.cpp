// The quen-capture executable, run as a user would: pictures, videos, and every kind of bad
// input, which must end with one line on stderr, exit status 2 and no output left behind.
#include "CaptureTestSupport.h"

#include "tools/capture/VideoPipe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <map>
#include <thread>

using namespace capture;
using namespace capturetest;
using namespace std::chrono_literals;

namespace
{

// Asserts the way every failure ends: status 2 and one line naming the tool.
void ExpectRefused(const RunResult& result, const std::string& reasonPart)
{
    EXPECT_EQ(result.exitStatus, 2) << result.err;
    EXPECT_EQ(LineCount(result.err), 1) << result.err;
    EXPECT_EQ(result.err.rfind("quen-capture: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(reasonPart), std::string::npos) << result.err;
}

// Streams of a media file as ffprobe reports them, one map of fields per stream.
std::vector<std::map<std::string, std::string>> ProbeStreams(const fs::path& file)
{
    const auto ffprobe = FindProgram("ffprobe");
    if (!ffprobe)
        return {};
    const RunResult probe = RunProgram(
        *ffprobe, {"-v", "error", "-show_entries",
                   "stream=codec_type,codec_name,width,height,pix_fmt,duration,nb_frames", "-of",
                   "default=noprint_wrappers=0", file.string()});
    std::vector<std::map<std::string, std::string>> streams;
    std::istringstream lines(probe.out);
    for (std::string line; std::getline(lines, line);)
    {
        if (line == "[STREAM]")
            streams.emplace_back();
        else if (const auto equals = line.find('=');
                 equals != std::string::npos && !streams.empty())
            streams.back()[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return streams;
}

// A stand-in for ffmpeg, a shell script with `body`, in a folder of its own.
fs::path FakeFfmpeg(const TempFolder& folder, const std::string& body)
{
    const fs::path bin = folder / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "ffmpeg") << "#!/bin/sh\n" << body << "\n";
    fs::permissions(bin / "ffmpeg", fs::perms::owner_all);
    return bin;
}

bool HaveFfmpeg()
{
    return FindProgram("ffmpeg") && FindProgram("ffprobe");
}

} // namespace

TEST(CaptureTool, HelpExplainsWithAnExample)
{
    const RunResult result = RunCaptureTool({"--help"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.out.find("--video"), std::string::npos);
    EXPECT_NE(result.out.find("Examples:"), std::string::npos);
    EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST(CaptureTool, AtWritesTheFramesTheShowRenders)
{
    TempFolder folder;
    const std::vector<std::uint32_t> times = {0, 5000, 13000};
    const RunResult result = RunCaptureTool({"--assets", AssetsDir.string(), "--at", "0,5000,13000",
                                             "--out", (folder / "frames").string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << result.err; // all assets found, short run: quiet
    EXPECT_EQ(folder.Contents(), (std::vector<std::string>{"frames", "frames/0.png",
                                                           "frames/13000.png", "frames/5000.png"}));

    const auto expected = RenderSequence(times);
    for (std::size_t i = 0; i < times.size(); ++i)
    {
        const PngPicture picture = ReadPng(folder / "frames" / (std::to_string(times[i]) + ".png"));
        EXPECT_EQ(picture.width, 800);
        EXPECT_EQ(picture.height, 600);
        EXPECT_EQ(picture.bitDepth, 8);
        EXPECT_EQ(picture.colourType, 2); // RGB
        EXPECT_TRUE(picture.pixels == expected[i]) << "frame at " << times[i] << " ms";
    }
}

TEST(CaptureTool, RepeatedTimeKeepsTheLaterFrame)
{
    TempFolder folder;
    const RunResult result = RunCaptureTool(
        {"--assets", AssetsDir.string(), "--at", "60000,60000", "--out", folder.Path().string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(folder.Contents(), std::vector<std::string>{"60000.png"});
    // The second cube frame at 60 s turns by the angle the first one left.
    EXPECT_TRUE(ReadPng(folder / "60000.png").pixels == RenderSequence({60000, 60000})[1]);
}

TEST(CaptureTool, OutputPathsAreTakenFromWhereTheCommandRuns)
{
    TempFolder folder;
    const RunResult result =
        RunCaptureTool({"--assets", AssetsDir.string(), "--at", "100", "--out", "frames"},
                       InFolder(folder.Path()));
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(fs::exists(folder / "frames" / "100.png"));
    EXPECT_FALSE(fs::exists(AssetsDir / "frames"));
}

TEST(CaptureTool, MissingPicturesAreReportedAsByTheDemo)
{
    TempFolder folder;
    fs::create_directories(folder / "empty");
    const RunResult result = RunCaptureTool({"--assets", (folder / "empty").string(), "--at",
                                             "5000", "--out", (folder / "f").string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.err.find("quen: cannot load picture \"initial.jpg\""), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("quen: cannot open music \"zeft.mp3\""), std::string::npos)
        << result.err;
    const PngPicture picture = ReadPng(folder / "f" / "5000.png");
    EXPECT_TRUE(std::all_of(picture.pixels.begin(), picture.pixels.end(),
                            [](std::uint32_t p) { return p == 0; }));
}

TEST(CaptureTool, VideoHasTheShowAndItsMusic)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    TempFolder folder;
    const fs::path video = folder / "show.mp4";
    const RunResult result = RunCaptureTool({"--assets", AssetsDir.string(), "--video",
                                             video.string(), "--fps", "10", "--seconds", "2"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(folder.Contents(), std::vector<std::string>{"show.mp4"});

    const auto streams = ProbeStreams(video);
    ASSERT_EQ(streams.size(), 2u);
    std::map<std::string, std::string> picture, sound;
    for (const auto& stream : streams)
        (stream.at("codec_type") == "video" ? picture : sound) = stream;
    EXPECT_EQ(picture["codec_name"], "h264");
    EXPECT_EQ(picture["width"], "800");
    EXPECT_EQ(picture["height"], "600");
    EXPECT_EQ(picture["pix_fmt"], "yuv420p");
    EXPECT_EQ(picture["nb_frames"], "20");
    EXPECT_NEAR(std::stod(picture["duration"]), 2.0, 0.01);
    EXPECT_EQ(sound["codec_type"], "audio");
    EXPECT_EQ(sound["codec_name"], "aac");
    EXPECT_NEAR(std::stod(sound["duration"]), 2.0, 0.1);
}

TEST(CaptureTool, MusicIsLoopedUnderALongerVideo)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    // At 1 frame per second a video longer than the soundtrack is quick to make.
    const auto music = ProbeStreams(AssetsDir / "zeft.mp3");
    ASSERT_EQ(music.size(), 1u);
    ASSERT_LT(std::stod(music[0].at("duration")), 90.0);
    TempFolder folder;
    const fs::path video = folder / "long.mp4";
    const RunResult result = RunCaptureTool({"--assets", AssetsDir.string(), "--video",
                                             video.string(), "--fps", "1", "--seconds", "100"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const auto streams = ProbeStreams(video);
    ASSERT_EQ(streams.size(), 2u);
    for (const auto& stream : streams)
        EXPECT_NEAR(std::stod(stream.at("duration")), 100.0, 0.1) << stream.at("codec_type");
}

TEST(CaptureTool, VideoIsSilentWithoutUsableMusic)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    TempFolder folder;
    const fs::path assets = folder / "assets";
    fs::create_directories(assets);
    for (const char* picture : {"initial.jpg", "j1.jpg", "j2.jpg", "j3.jpg", "scroller.jpg"})
        fs::copy_file(AssetsDir / picture, assets / picture);
    std::ofstream(assets / "zeft.mp3") << "not music";
    const fs::path video = folder / "silent.mp4";
    const RunResult result = RunCaptureTool(
        {"--assets", assets.string(), "--video", video.string(), "--fps", "10", "--seconds", "1"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.err.find("quen: cannot open music \"zeft.mp3\""), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("quen-capture: no music could be opened; the video is silent"),
              std::string::npos)
        << result.err;
    const auto streams = ProbeStreams(video);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("codec_type"), "video");
}

TEST(CaptureTool, BadCommandLinesAreRefusedBeforeAnythingIsWritten)
{
    TempFolder folder;
    const std::string out = (folder / "out").string();
    const std::string video = (folder / "v.mp4").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"--at", "0,5000", "--out", out, "--frames", "2"}, "unknown option"},
        {{"--at", "0,5s", "--out", out}, "malformed time \"5s\""},
        {{"--at", "1.5", "--out", out}, "malformed time"},
        {{"--at", "0,,5", "--out", out}, "empty time"},
        {{"--at", "-5", "--out", out}, "negative time -5"},
        {{"--at", "4294967296", "--out", out}, "too large"},
        {{"--at", "5"}, "needs --out"},
        {{"--out", out}, "--out goes with --at"},
        {{"--at", "5", "--out", out, "--video", video}, "cannot be used together"},
        {{"--video", video, "--fps", "0"}, "--fps"},
        {{"--video", video, "--seconds", "-1"}, "--seconds"},
        {{"--video"}, "needs a value"},
        {{}, "nothing to do"},
        {{"--at", "5", "--out", out, "--assets", (folder / "nowhere").string()},
         "cannot use assets folder"},
        {{"--video", video, "--assets", (folder / "nowhere").string()}, "cannot use assets folder"},
    };
    for (const auto& [args, reason] : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(args));
        ExpectRefused(RunCaptureTool(args), reason);
        EXPECT_TRUE(folder.Contents().empty());
    }
}

TEST(CaptureTool, OutputFolderThatCannotBeCreated)
{
    TempFolder folder;
    std::ofstream(folder / "file") << "a file, not a folder";
    const auto before = folder.Contents();
    ExpectRefused(RunCaptureTool({"--assets", AssetsDir.string(), "--at", "5", "--out",
                                  (folder / "file" / "frames").string()}),
                  "cannot create output folder");
    ExpectRefused(RunCaptureTool({"--assets", AssetsDir.string(), "--at", "5", "--out",
                                  (folder / "file").string()}),
                  "cannot create output folder");
    if (HaveFfmpeg())
        ExpectRefused(RunCaptureTool({"--assets", AssetsDir.string(), "--video",
                                      (folder / "file" / "v.mp4").string(), "--seconds", "1"}),
                      "cannot create output folder");
    ExpectRefused(RunCaptureTool({"--assets", AssetsDir.string(), "--video", folder.Path().string(),
                                  "--seconds", "1"},
                                 WithPath(FakeFfmpeg(folder, "exit 0").string())),
                  "is a folder");
    fs::remove_all(folder / "bin");
    EXPECT_EQ(folder.Contents(), before);
}

TEST(CaptureTool, MissingFfmpegSaysHowToInstallIt)
{
    TempFolder folder;
    fs::create_directories(folder / "nothing");
    ExpectRefused(RunCaptureTool({"--assets", AssetsDir.string(), "--video",
                                  (folder / "v.mp4").string(), "--seconds", "1"},
                                 WithPath((folder / "nothing").string())),
                  "apt-get install ffmpeg");
    EXPECT_EQ(folder.Contents(), std::vector<std::string>{"nothing"});
}

TEST(CaptureTool, FailingFfmpegIsReportedWithItsStatusAndItsOutputRemoved)
{
    TempFolder folder;
    // Writes the start of a video to its output (the last argument), then fails.
    const fs::path bin = FakeFfmpeg(folder, "for last; do :; done\n"
                                            "echo 'half a video' > \"${last#file:}\"\n"
                                            "exit 3");
    const RunResult result =
        RunCaptureTool({"--assets", AssetsDir.string(), "--video", (folder / "v.mp4").string(),
                        "--fps", "10", "--seconds", "2"},
                       WithPath(bin.string() + ":/usr/bin:/bin"));
    ExpectRefused(result, "ffmpeg failed with exit status 3");
    EXPECT_EQ(folder.Contents(), (std::vector<std::string>{"bin", "bin/ffmpeg"}));
}

TEST(CaptureTool, FfmpegThatWritesNothingLeavesNoVideo)
{
    TempFolder folder;
    const fs::path bin = FakeFfmpeg(folder, "cat > /dev/null\nexit 0");
    const RunResult result =
        RunCaptureTool({"--assets", AssetsDir.string(), "--video", (folder / "v.mp4").string(),
                        "--fps", "10", "--seconds", "2"},
                       WithPath(bin.string() + ":/usr/bin:/bin"));
    ExpectRefused(result, "nothing was written");
    EXPECT_EQ(folder.Contents(), (std::vector<std::string>{"bin", "bin/ffmpeg"}));
}

TEST(CaptureTool, FfmpegKilledBySignalIsReported)
{
    TempFolder folder;
    const fs::path bin = FakeFfmpeg(folder, "kill -KILL $$");
    const RunResult result =
        RunCaptureTool({"--assets", AssetsDir.string(), "--video", (folder / "v.mp4").string(),
                        "--fps", "10", "--seconds", "60"},
                       WithPath(bin.string() + ":/usr/bin:/bin"));
    ExpectRefused(result, "ffmpeg failed with signal 9");
    EXPECT_EQ(folder.Contents(), (std::vector<std::string>{"bin", "bin/ffmpeg"}));
}

TEST(CaptureTool, InterruptedVideoLeavesNothingBehind)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    TempFolder folder;
    const fs::path video = folder / "show.mp4";
    const StartedProgram tool =
        StartProgram(CaptureExe, {"--assets", AssetsDir.string(), "--video", video.string()});
    ASSERT_GT(tool.pid, 0);
    // Once ffmpeg has begun its file, stop the tool as Ctrl-C or a shutdown would.
    const fs::path partial = folder / "show.mp4.part";
    for (int wait = 0; wait < 600 && !fs::exists(partial); ++wait)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(fs::exists(partial));
    ::kill(tool.pid, SIGTERM);
    const RunResult result = WaitProgram(tool);
    EXPECT_EQ(result.exitStatus, 130) << result.err;
    EXPECT_NE(result.err.find("quen-capture: interrupted"), std::string::npos) << result.err;
    EXPECT_TRUE(folder.Contents().empty());
}
