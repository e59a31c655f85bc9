// The quen-capture executable run as a user would: pictures, videos of every kind with the
// show's own sound, output paths and inputs of every special kind, failures, signals and two
// captures at once. A failure ends with one line on stderr and exit status 2, a signal N with
// 128 + N; neither leaves a partial file or an ffmpeg process behind.
#include "support/AllocationCounter.h"
#include "support/PictureFiles.h"
#include "support/TestAssets.h"
#include "tools/capture/Capture.h"
#include "tools/capture/CaptureError.h"
#include "tools/session/ShowSession.h"
#include "tools/capture/VideoPipe.h"

#include <gmock/gmock.h>
#include <png.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace
{

namespace fs = std::filesystem;
using Pixels = std::vector<std::uint32_t>;
const fs::path AssetsDir = QUEN_ASSETS_DIR;

using Folder = testassets::ScratchDir;

// Everything in the folder, recursively, relative to it, sorted.
std::vector<std::string> Contents(const Folder& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path))
        names.push_back(fs::relative(entry.path(), folder.path).string());
    std::sort(names.begin(), names.end());
    return names;
}

// Starts args[0], looked up in PATH, with no input and its output to `output` (or nowhere).
pid_t StartProgram(const std::vector<std::string>& args, int output = -1)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        if (fd == 0 || output < 0)
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
        else
            posix_spawn_file_actions_adddup2(&actions, output, fd);
    pid_t pid = -1;
    posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// How a program ended (-1 unless it exited) and what it printed on stdout and stderr.
struct RunResult
{
    int status = -1;
    std::string output;
};

RunResult RunProgram(const std::vector<std::string>& args)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = StartProgram(args, pipe[1]);
    ::close(pipe[1]);
    RunResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, std::size_t(n));
    ::close(pipe[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

// Waits up to `seconds` for `ready`.
bool WaitFor(const std::function<bool()>& ready, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ready())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The wait status of `pid` once it ends, or -1 if it runs on for `seconds` (then it is killed).
int WaitWithin(pid_t pid, double seconds)
{
    int status = 0;
    if (WaitFor([&] { return waitpid(pid, &status, WNOHANG) != 0; }, seconds))
        return status;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// The pixels of a PNG file as 0xFFRRGGBB words; fails the test unless the file is an 8-bit RGB
// picture of 800x600.
Pixels ReadPng(const fs::path& file)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Pixels pixels(800 * 600);
    const bool rgb = png_image_begin_read_from_file(&image, file.c_str()) &&
                     image.format == PNG_FORMAT_RGB && image.width == 800 && image.height == 600;
    image.format = PNG_FORMAT_BGRA; // read as 0xAARRGGBB words (little-endian)
    if (rgb && png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return pixels;
    png_image_free(&image);
    ADD_FAILURE() << file << " is not an 8-bit RGB PNG of 800x600";
    return {};
}

// Renders `times` in order in one session started in the assets folder and returns the frames,
// rows packed, bits 24-31 set as ReadPng gives them.
std::vector<Pixels> RenderSequence(const std::vector<std::uint32_t>& times)
{
    testassets::ScopedChdir in(AssetsDir);
    session::ShowSession session;
    std::vector<Pixels> frames;
    for (std::uint32_t time : times)
    {
        session.Render(time);
        const session::FrameView frame = session.Frame();
        Pixels& pixels = frames.emplace_back();
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                pixels.push_back(frame.pixels[y * frame.pitch / 4 + x] | 0xFF000000);
    }
    return frames;
}

const std::string Tool = QUEN_CAPTURE_EXE, Assets = "--assets=" + AssetsDir.string();

// AddressSanitizer reserves terabytes of address space: its builds cannot run under a limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool NoAddressLimits = true;
#else
constexpr bool NoAddressLimits = false;
#endif
const bool HaveFfmpeg = capture::FindProgram("ffmpeg") && capture::FindProgram("ffprobe");

// A stand-in for ffmpeg in `folder`/bin that runs the shell script in $FAKE; its last argument
// is the output as "file:PATH".
std::string FakeFfmpegPath(const Folder& folder)
{
    fs::create_directories(folder / "bin");
    std::ofstream(folder / "bin" / "ffmpeg") << "#!/bin/sh\neval \"$FAKE\"\n";
    fs::permissions(folder / "bin" / "ffmpeg", fs::perms::owner_all);
    return "PATH=" + (folder / "bin").string() + ":/bin:/usr/bin";
}

// Everything in the folder that is a temporary file of a capture.
std::vector<std::string> PartFiles(const Folder& folder)
{
    std::vector<std::string> parts = Contents(folder);
    std::erase_if(parts, [](const std::string& name) { return !name.ends_with(".part"); });
    return parts;
}

// Whether a process has ended: gone, or a zombie that nobody has reaped yet (after SIGKILL its
// parent is gone, and init reaps it in its own time).
bool Ended(pid_t pid)
{
    std::string stat;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
    const std::size_t state = stat.rfind(')') + 2; // 1 when the file is gone
    return state >= stat.size() || stat[state] == 'Z' || stat[state] == 'X';
}

std::string Probe(const std::string& video, const std::string& entries)
{
    return RunProgram({"ffprobe", "-v", "error", "-show_entries", entries, "-of", "csv=p=0", video})
        .output;
}

// The samples of a file's first audio stream as 16-bit stereo at 44.1 kHz.
std::vector<std::int16_t> DecodedSound(const std::string& file)
{
    const std::string raw = RunProgram({"ffmpeg", "-v", "error", "-i", file, "-map", "0:a:0", "-f",
                                        "s16le", "-ac", "2", "-ar", "44100", "-"})
                                .output;
    std::vector<std::int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

} // namespace

TEST(CaptureTool, AtWritesTheFramesTheShowRenders)
{
    Folder folder{"capture"};
    // --out and the file of times are taken from where the command runs, not from --assets.
    std::ofstream(folder / "times") << "0, 5000\n13000,60000 60000\n";
    const RunResult result =
        RunProgram({"env", "-C", folder.path, Tool, Assets, "--at", "@times", "--out", "frames"});
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "quen-capture: wrote 4 pictures to " + (folder / "frames").string() +
                                 "\n"); // all assets found, short run: one line
    EXPECT_EQ(Contents(folder),
              (std::vector<std::string>{"frames", "frames/0.png", "frames/13000.png",
                                        "frames/5000.png", "frames/60000.png", "times"}));
    // Each frame depends on its time alone, as in a session of its own, except that a cube frame
    // takes its angle from the cube frame before: a time listed twice is rendered twice, and its
    // file holds the later frame.
    for (std::uint32_t time : {0, 5000, 13000})
        EXPECT_TRUE(ReadPng(folder / "frames" / (std::to_string(time) + ".png")) ==
                    RenderSequence({time})[0])
            << time;
    EXPECT_TRUE(ReadPng(folder / "frames/60000.png") == RenderSequence({60000, 60000})[1]);
}

TEST(CaptureTool, VideosOfEveryKindHaveTheShowAndItsSound)
{
    if (!HaveFfmpeg)
        GTEST_SKIP() << "ffmpeg is not installed";
    Folder folder{"capture"};
    fs::create_directories(folder / "some");
    fs::copy_file(AssetsDir / "j2.jpg", folder / "some" / "j2.jpg");
    const auto before = Contents(folder);
    // File, extra arguments, the assets, the streams: codec, kind, size, pixel format.
    const std::tuple<std::string, std::vector<std::string>, std::string, std::vector<std::string>>
        cases[] = {
            {"v.mp4", {}, Assets, {"h264,video,800,600,yuv420p", "aac,audio"}},
            {"v.webm", {}, Assets, {"vp9,video,800,600,yuv420p", "opus,audio"}},
            {"v.MKV", {"--scale", "2"}, Assets, {"h264,video,1600,1200,gbrp", "flac,audio"}},
            // One picture and no music: the others black, as in the demo, and no sound.
            {"v.mp4", {}, "--assets=" + (folder / "some").string(), {"h264,video,800,600,yuv420p"}},
        };
    for (const auto& [name, extra, assets, expected] : cases)
    {
        SCOPED_TRACE(name + " " + assets + " " + ::testing::PrintToString(extra));
        const std::string video = folder / name;
        std::vector<std::string> command = {Tool,    assets, "--video",   video,
                                            "--fps", "10",   "--seconds", "2"};
        command.insert(command.end(), extra.begin(), extra.end());
        const RunResult result = RunProgram(command);
        ASSERT_EQ(result.status, 0) << result.output;
        // Said where the video went, on its last line; the missing files named.
        EXPECT_THAT(result.output, MatchesRegex(".*quen-capture: wrote " + video +
                                                " \\(20 frames, [0-9.]+ MB, checked\\)\n"));
        for (const char* line : {"quen-capture: cannot load picture \"initial.jpg\"",
                                 "quen-capture: cannot open music \"zeft.mp3\"",
                                 "quen-capture: no music could be opened; the video is silent"})
            EXPECT_EQ(result.output.find(line) != std::string::npos, expected.size() == 1) << line;
        // The length, the frame count and (lossless) every frame are the tool's own check,
        // which VideoCheckTest makes fail; here, the streams each kind is made of.
        std::istringstream probe(Probe(video, "stream=codec_name,codec_type,width,height,pix_fmt"));
        std::vector<std::string> streams;
        for (std::string line; std::getline(probe, line);)
            streams.push_back(line);
        EXPECT_EQ(streams, expected);
        fs::remove(video);
        EXPECT_EQ(Contents(folder), before);
    }
}

// A video that fails its check is kept under a name that says so, never the one asked for, with
// one line and status 2; --no-check leaves the check out and says so. Here ffmpeg's file is cut
// short after it is made. The upload preset's file holds what video sites ask for.
TEST(CaptureTool, VideosAreCheckedAndTheUploadPresetHasWhatSitesAsk)
{
    if (!HaveFfmpeg)
        GTEST_SKIP() << "ffmpeg is not installed";
    Folder folder{"capture"};
    const std::string path = FakeFfmpegPath(folder), video = folder / "v.mp4",
                      failed = folder / "v.failed-check.mp4";
    const std::string cut =
        "/usr/bin/ffmpeg \"$@\" && for f; do :; done && truncate -s 30000 \"${f#file:}\"";
    const RunResult checked =
        RunProgram({"env", path, "FAKE=" + cut, Tool, Assets, "--video", video, "--seconds", "1"});
    EXPECT_EQ(checked.status, 2);
    EXPECT_THAT(checked.output, MatchesRegex("quen-capture: the check of " + video +
                                             " failed: [0-9]+ frames, not 60; the video is kept "
                                             "as " +
                                             failed + "\n"));
    EXPECT_EQ(Contents(folder).back(), "v.failed-check.mp4");
    // The path is shown clean, as the system reaches it.
    const RunResult unchecked =
        RunProgram({"env", path, "FAKE=" + cut, Tool, Assets, "--video", folder / "bin/../v.mp4",
                    "--seconds", "1", "--no-check"});
    EXPECT_EQ(unchecked.status, 0);
    EXPECT_THAT(unchecked.output,
                HasSubstr("wrote " + video + " (60 frames, 0.0 MB; not checked (--no-check))\n"));
    EXPECT_EQ(RunProgram({Tool, "--version"}).output, "quen-capture " QUEN_VERSION "\n");

    const RunResult upload =
        RunProgram({Tool, Assets, "--video", video, "--for-upload", "--seconds", "1"});
    ASSERT_EQ(upload.status, 0) << upload.output;
    EXPECT_EQ(Probe(video, "stream=codec_name,profile,width,height,r_frame_rate,color_space,"
                           "color_primaries,color_transfer,sample_rate"),
              "h264,Constrained Baseline,3200,2400,bt709,bt709,bt709,60/1\naac,LC,48000,0/0\n");
    EXPECT_NEAR(std::stod(RunProgram({"ffprobe", "-v", "error", "-select_streams", "a",
                                      "-show_entries", "stream=bit_rate", "-of", "csv=p=0", video})
                              .output),
                384000, 20000);
    // A key frame every 30 frames and only there; the index before the frames.
    std::istringstream flags(RunProgram({"ffprobe", "-v", "error", "-select_streams", "v",
                                         "-show_entries", "packet=flags", "-of", "csv=p=0", video})
                                 .output);
    std::vector<int> keys;
    int frame = 0;
    for (std::string line; std::getline(flags, line); ++frame)
        if (line.starts_with('K'))
            keys.push_back(frame);
    EXPECT_EQ(frame, 60);
    EXPECT_EQ(keys, (std::vector<int>{0, 30}));
    std::ifstream in(video, std::ios::binary);
    const std::string start(std::istreambuf_iterator<char>(in), {});
    EXPECT_LT(start.find("moov"), start.find("mdat"));
}

// The video's sound is what the show decodes, looped sample-exactly to the video's length: a
// WAV of 441 known frames repeats 100 times in a lossless one-second video. MP3 files loop too,
// one of a single frame (decoded whole; ffmpeg reading it itself failed) and one of 2.5 s
// (decoded as it plays): 3 s on, the sound is not silent.
TEST(CaptureTool, VideoSoundIsTheShowsOwnLoopedToTheLength)
{
    if (!HaveFfmpeg)
        GTEST_SKIP() << "ffmpeg is not installed";
    Folder folder{"capture"};
    auto ramp = [](std::size_t i) { return std::int16_t(i * 67 - 29000); };
    std::ifstream mp3(AssetsDir / "zeft.mp3", std::ios::binary);
    std::vector<unsigned char> music{std::istreambuf_iterator<char>(mp3), {}};
    // The music, the video's length, the least loudness in its last second (none: exact).
    const std::tuple<std::vector<unsigned char>, int, int> cases[] = {
        {picturefiles::MakeWav(10, 44100, ramp), 1, 0},
        {{music.begin(), music.begin() + 1245}, 4, 1000}, // the tag, LAME's frame, one more
        {{music.begin(), music.begin() + 40000}, 4, 1000},
    };
    const std::string video = folder / "v.mkv";
    for (const auto& [bytes, seconds, loudness] : cases)
    {
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes");
        testassets::WriteFile(folder / "zeft.mp3", bytes);
        const RunResult result =
            RunProgram({Tool, "--assets=" + folder.path.string(), "--video", video, "--fps", "1",
                        "--seconds", std::to_string(seconds)});
        ASSERT_EQ(result.status, 0) << result.output;
        const std::vector<std::int16_t> sound = DecodedSound(video);
        ASSERT_EQ(sound.size(), 2u * 44100 * std::size_t(seconds));
        if (loudness > 0)
        {
            EXPECT_GT(*std::max_element(sound.end() - 2 * 44100, sound.end()), loudness);
            continue;
        }
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < sound.size(); ++i)
            wrong += sound[i] != ramp(i % 882);
        EXPECT_EQ(wrong, 0u);
    }
}

// Every failure ends with one line and status 2, leaving nothing behind, and every output path
// is checked before anything is rendered or ffmpeg started: the stand-in ffmpeg `writes` would
// leave a file. A link is written through.
TEST(CaptureTool, FailuresEndWithOneLineAndLeaveNothingBehind)
{
    Folder folder{"capture"};
    std::ofstream(folder / "file") << "a file, not a folder";
    fs::create_directories(folder / "tmp");
    const std::string out = folder / "out", video = folder / "v.mp4", file = folder / "file";
    const std::string path = FakeFfmpegPath(folder);
    const std::string output = "for f; do :; done; f=${f#file:}; ";
    const std::string writes =
        "touch " + (folder / "ran").string() + "; " + output + "cat >/dev/null; echo video >\"$f\"";
    fs::create_directories(folder / "bad");
    std::ofstream(folder / "bad" / "ffmpeg") << "#!/no/such/interpreter\n";
    fs::permissions(folder / "bad" / "ffmpeg", fs::perms::owner_all);
    fs::create_directories(folder / "d.mp4");
    fs::create_directories(folder / "frames" / "5.png");
    // Not a regular file: a named pipe here stands for a device such as /dev/null, which a test
    // must not risk.
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0644), 0);
    fs::create_symlink(folder / "pipe", folder / "pipe.mp4");
    fs::create_symlink("real.mp4", folder / "link.mp4");
    // The stand-in's script (none: no ffmpeg on PATH), the arguments, the reason given.
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"", {"--bogus"}, "unknown option \"--bogus\""},
        {"", {"--at", "5", "--out", out, "--assets", folder / "none"}, "cannot use assets folder"},
        // None of the show's files: the wrong folder, refused before anything is made.
        {"", {"--at", "5", "--out", out, "--assets", folder / "tmp"}, "none of the show's files"},
        {writes, {"--video", video, "--assets", folder / "tmp"}, "none of the show's files"},
        {"", {"--at", "5", "--out", file + "/frames", Assets}, "cannot create output folder"},
        {"", {"--at", "5", "--out", file, Assets}, "cannot create output folder"},
        {"", {"--at", "5", "--out", folder / "frames", Assets}, "5.png is a folder"},
        {"", {"--at", "@" + folder.path.string(), "--out", out, Assets}, "is a folder"},
        {"", {"--at-file", folder / "none", "--out", out, Assets}, "cannot read the file of times"},
        {"", {"--video", video}, "apt-get install ffmpeg"},
        {writes, {"--video", folder / "d.mp4", Assets}, "d.mp4 is a folder"},
        {writes,
         {"--video", folder / "no" / "v.mp4", Assets},
         "folder " + (folder / "no").string() + " does not exist"},
        {writes,
         {"--video", folder / "pipe.mp4", Assets},
         "pipe.mp4 \\(a link to " + (folder / "pipe").string() + "\\) is not a regular file"},
        {"ulimit -f 20; exec " + Tool + " \"$@\"",
         {"--at", "5000", "--out", out},
         "cannot write " + out + "/5000.png: File too large"},
        // No room for a thread's stack: the workers started are joined, and one line says why.
        {NoAddressLimits ? "-" : "ulimit -s 4000000; ulimit -v 2000000; exec " + Tool + " \"$@\"",
         {"--at", "5000", "--out", out},
         "cannot start a thread to encode frames: Resource temporarily unavailable"},
        // A terminal's control bytes in an argument are shown escaped.
        {"", {"--at", "5\x1b[2J", "--out", out}, "malformed time \"5\\\\x1B\\[2J\""},
        // ffmpeg fails: the cause it names, or its status, and where its messages are kept.
        {output + "echo half >$f; echo \"$f: No space left on device\" >&2; exit 1",
         {"--video", video, Assets},
         "cannot write " + video + ": No space left on device \\(ffmpeg's messages are in " +
             folder.path.string() + "/tmp/quen-capture-ffmpeg-.*\\.log\\)"},
        {output + "echo half >$f; exit 3",
         {"--video", video, Assets},
         "ffmpeg could not make " + video + " \\(exit status 3; ffmpeg's messages are in"},
        {"cat >/dev/null", {"--video", video, Assets, "--seconds", "1"}, "nothing was written to"},
        {"exit 0", {"--video", video, Assets}, "ffmpeg stopped reading frames before the end"},
        {"kill -KILL $$", {"--video", video, Assets}, "\\(signal 9 \\(SIGKILL\\);"},
        // An ffmpeg that cannot be started (its interpreter is missing).
        {"!",
         {"--video", video, Assets, "--no-check"},
         "cannot start " + folder.path.string() + "/bad/ffmpeg: No such file"},
    };
    const auto before = Contents(folder);
    for (const auto& [script, args, reason] : cases)
    {
        if (script == "-")
            continue; // a case this build cannot run
        const bool shell = script.starts_with("ulimit");
        std::vector<std::string> command = {"env", "TMPDIR=" + (folder / "tmp").string()};
        if (shell)
            command.insert(command.end(), {"sh", "-c", script, "sh", Assets});
        else
            command.insert(command.end(), {script.empty()  ? "PATH="
                                           : script == "!" ? "PATH=" + (folder / "bad").string()
                                                           : path,
                                           "FAKE=" + script, Tool});
        command.insert(command.end(), args.begin(), args.end());
        SCOPED_TRACE(::testing::PrintToString(command));
        const RunResult result = RunProgram(command);
        EXPECT_EQ(result.status, 2);
        // One line, naming the tool and giving the reason, without a control byte.
        EXPECT_THAT(result.output, MatchesRegex("quen-capture: [^\n]*" + reason + "[^\n]*\n"));
        EXPECT_EQ(std::count_if(result.output.begin(), result.output.end(),
                                [](char c)
                                { return (c >= 0 && c < ' ' && c != '\n') || c == 127; }),
                  0);
        // ffmpeg's messages are kept only where a line names them.
        const bool named = result.output.find("messages are in") != std::string::npos;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "tmp"), {}), named ? 1 : 0);
        fs::remove_all(folder / "tmp");
        fs::create_directories(folder / "tmp");
        EXPECT_EQ(Contents(folder), before); // not even the folder asked for
    }
    struct stat pipe;
    EXPECT_TRUE(stat((folder / "pipe").c_str(), &pipe) == 0 && S_ISFIFO(pipe.st_mode));
    const RunResult link = RunProgram({"env", path, "FAKE=" + writes, Tool, Assets, "--video",
                                       folder / "link.mp4", "--seconds", "0.1", "--no-check"});
    ASSERT_EQ(link.status, 0) << link.output;
    EXPECT_TRUE(fs::is_symlink(folder / "link.mp4"));
    EXPECT_EQ(fs::file_size(folder / "real.mp4"), 6u);
    // A name as long as the folder takes is accepted: the temporary name is the one shortened.
    for (const std::size_t length : {243, 254, 255, 256})
    {
        const fs::path named = folder / (std::string(length - 4, 'n') + ".mp4");
        const RunResult made = RunProgram({"env", path, "FAKE=" + writes, Tool, Assets, "--video",
                                           named, "--seconds", "0.1", "--no-check"});
        EXPECT_EQ(made.status, length <= 255 ? 0 : 2) << length << ": " << made.output;
        EXPECT_EQ(made.output.find("File name too long") != std::string::npos, length > 255);
        EXPECT_EQ(PartFiles(folder), std::vector<std::string>{});
        std::error_code ignored;
        fs::remove(named, ignored);
    }
    // --verbose: ffmpeg's own lines, then the tool's.
    const RunResult verbose = RunProgram({"env", path, "FAKE=echo ffmpeg speaks >&2; exit 1", Tool,
                                          Assets, "--video", video, "--verbose"});
    EXPECT_EQ(verbose.status, 2);
    EXPECT_THAT(verbose.output, MatchesRegex("(.*\n)?ffmpeg speaks\nquen-capture: ffmpeg could not "
                                             "make [^\n]*; ffmpeg's messages above\\)\n"));
    // A temporary folder that cannot take the log never stops a capture (a relative one is
    // passed over for /tmp): ffmpeg's messages are kept in memory, and a failure quotes its last
    // line.
    for (const std::string& tmp : {(folder / "none").string(), std::string("relative"), file})
    {
        const RunResult made =
            RunProgram({"env", "TMPDIR=" + tmp, path, "FAKE=" + writes, Tool, Assets, "--video",
                        video, "--seconds", "0.1", "--no-check"});
        EXPECT_EQ(made.status, 0) << tmp << ": " << made.output;
        if (tmp == "relative")
            continue;
        const RunResult failed = RunProgram({"env", "TMPDIR=" + tmp, path,
                                             "FAKE=echo first >&2; echo it broke >&2; exit 1", Tool,
                                             Assets, "--video", video, "--seconds", "0.1"});
        EXPECT_EQ(failed.output, "quen-capture: ffmpeg could not make " + video +
                                     " (exit status 1; ffmpeg's last message: it broke)\n")
            << tmp;
        fs::remove(video);
    }
    EXPECT_FALSE(fs::exists(fs::path(AssetsDir) / "relative"));
}

// An ffmpeg that neither writes nor ends after its last frame is stopped after a while without
// output, with what it started; one line says so.
TEST(CaptureTool, AStalledFfmpegIsStoppedWithItsChildren)
{
    Folder folder{"capture"};
    const std::string pidFile = folder / "child.pid";
    FakeFfmpegPath(folder);
    ::setenv("FAKE", ("cat >/dev/null; sleep 600 & echo $! >" + pidFile + "; wait").c_str(), 1);
    capture::VideoJob job;
    job.ffmpeg = folder / "bin" / "ffmpeg";
    job.path = job.file = folder / "v.mp4";
    job.fps = 10;
    job.frames = 3;
    job.check = false;
    job.stallSeconds = 0.5;
    testassets::ScopedChdir in(AssetsDir);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THAT([&] { capture::CaptureVideo(job); },
                ::testing::ThrowsMessage<capture::CaptureError>(HasSubstr(
                    "ffmpeg wrote nothing for 0.5 s after the last frame and was stopped; "
                    "nothing was written to " +
                    job.path.string())));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    pid_t child = 0;
    std::ifstream(pidFile) >> child;
    EXPECT_TRUE(child > 0 && WaitFor([&] { return Ended(child); }, 5));
    EXPECT_EQ(PartFiles(folder), std::vector<std::string>{});
    ::unsetenv("FAKE");
}

// A link in a shared sticky folder (the system's temporary folder) is followed only when the
// running user made it, as the kernel follows links there: another user's is refused before
// anything is rendered, and what it points to is left alone. Elsewhere links are followed; the
// file replaced keeps its permissions, and the last line says where the picture went.
TEST(CaptureTool, LinksInSharedFoldersAreFollowedOnlyWhenTheUserMadeThem)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making another user's link needs root";
    Folder folder{"capture"};
    const fs::path shared = folder / "shared", victim = folder / "victim", link = shared / "0.png";
    fs::create_directories(shared);
    const uid_t other = 65534; // nobody
    // Who made the link, the folder's permissions, whether the link is followed.
    const std::tuple<uid_t, mode_t, bool> cases[] = {
        {other, 01777, false},
        {0, 01777, true},
        {other, 0777, true}, // writable by all but not sticky: anyone could replace the file
        {other, 0755, true},
    };
    for (const auto& [owner, mode, followed] : cases)
    {
        SCOPED_TRACE(std::to_string(owner) + " " + std::to_string(mode));
        std::ofstream(victim) << "secret";
        ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
        fs::remove(link);
        fs::create_symlink(victim, link);
        ASSERT_EQ(::lchown(link.c_str(), owner, owner), 0);
        ASSERT_EQ(::chmod(shared.c_str(), mode), 0);
        const RunResult result = RunProgram({Tool, Assets, "--at", "0", "--out", shared});
        EXPECT_EQ(result.status, followed ? 0 : 2);
        EXPECT_EQ(result.output,
                  followed ? "quen-capture: wrote 1 picture to " + shared.string() +
                                 " (0.png through its link to " + victim.string() + ")\n"
                           : "quen-capture: cannot write " + link.string() +
                                 ": it is a link that another user made in the shared folder " +
                                 shared.string() +
                                 ", and is not followed; remove it or write elsewhere\n");
        std::string content;
        std::getline(std::ifstream(victim), content);
        EXPECT_EQ(content.starts_with("\x89PNG"), followed);
        struct stat info;
        EXPECT_TRUE(::stat(victim.c_str(), &info) == 0 && (info.st_mode & 07777) == 0600);
        EXPECT_TRUE(fs::is_symlink(link));
    }
}

// Started with its standard streams closed, the tool has /dev/null in their place, so that
// the files it opens do not take their numbers and receive its messages.
TEST(CaptureTool, ClosedStandardStreamsBecomeDevNull)
{
    Folder folder{"capture"};
    {
        std::ofstream times(folder / "times");
        for (int i = 0; i < 4000; ++i)
            times << 60000 + i << "\n";
    }
    const pid_t tool =
        StartProgram({"sh", "-c", "exec \"$@\" <&- >&- 2>&-", "sh", Tool, Assets, "--at",
                      "@" + (folder / "times").string(), "--out", folder / "frames"});
    EXPECT_TRUE(WaitFor([&] { return fs::exists(folder / "frames" / "60000.png"); }, 60));
    for (int fd : {0, 1, 2})
    {
        std::error_code error;
        EXPECT_EQ(
            fs::read_symlink("/proc/" + std::to_string(tool) + "/fd/" + std::to_string(fd), error),
            "/dev/null")
            << fd;
    }
    kill(tool, SIGTERM);
    const int status = WaitWithin(tool, 10);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << status;
}

// A picture that needs more memory than there is would be black in every frame because of the
// machine, not of the files: the capture stops before rendering, saying why.
TEST(CaptureTool, PicturesWithoutMemoryStopTheCapture)
{
    Folder folder{"capture"};
    testassets::WriteDemoPictures(folder);
    testassets::WriteFile(folder / "j1.jpg",
                          picturefiles::MakeJpeg(2000, 1500, picturefiles::Smooth(1)));
    testassets::ScopedChdir back(fs::current_path()); // the tool enters --assets
    testalloc::FailLargerThan(4 << 20);
    ::testing::internal::CaptureStderr();
    const int status = capture::RunCapture(
        {"--assets", folder.path.c_str(), "--at", "0", "--out", (folder / "frames").c_str()});
    const std::string said = ::testing::internal::GetCapturedStderr();
    testalloc::FailLargerThan(0);
    EXPECT_EQ(status, 2);
    EXPECT_THAT(said, HasSubstr("quen: cannot load picture \"j1.jpg\": not enough memory\n"));
    EXPECT_THAT(said, ::testing::EndsWith("quen-capture: not enough memory to load the pictures; "
                                          "nothing was rendered\n"));
    EXPECT_FALSE(fs::exists(folder / "frames" / "0.png"));
}

// Each signal that ends a process, to a capture of each kind while it runs: the capture stops
// at once with 128 + N, removes its unfinished file and stops ffmpeg, here a stand-in that has
// stopped reading. Killed outright, the tool takes ffmpeg with it.
TEST(CaptureTool, SignalsStopEveryKindOfCaptureCleanly)
{
    Folder folder{"capture"};
    const std::string path = FakeFfmpegPath(folder);
    const std::string pidFile = folder / "ffmpeg.pid";
    const std::string stuck = "echo $$ >" + pidFile + "; exec sleep 600";
    const std::string reading = "echo $$ >" + pidFile + "; exec cat >/dev/null";
    {
        std::ofstream times(folder / "times");
        for (int i = 0; i < 4000; ++i)
            times << 60000 + i << "\n";
    }
    const std::vector<std::string> stills = {"--at", "@" + (folder / "times").string(), "--out",
                                             folder / "frames"};
    const std::vector<std::string> video = {"--video", folder / "v.mp4"};
    std::vector<std::string> endless = video;
    endless.insert(endless.end(), {"--fps", "1000", "--seconds", "4294967"});
    const std::tuple<int, std::vector<std::string>, std::string> cases[] = {
        {SIGINT, stills, ""},    {SIGTERM, stills, ""},   {SIGHUP, stills, ""},
        {SIGQUIT, stills, ""},   {SIGPIPE, stills, ""},   {SIGINT, video, stuck},
        {SIGTERM, video, stuck}, {SIGHUP, video, stuck},  {SIGQUIT, video, stuck},
        {SIGPIPE, video, stuck}, {SIGUSR1, video, stuck}, {SIGINT, endless, reading},
        {SIGKILL, video, stuck},
    };
    for (const auto& [signal, args, script] : cases)
    {
        SCOPED_TRACE(std::string(sigabbrev_np(signal)) + " " + ::testing::PrintToString(args));
        fs::remove(pidFile);
        std::vector<std::string> command = {
            "env", path, "TMPDIR=" + folder.path.string(), "FAKE=" + script, Tool, Assets};
        command.insert(command.end(), args.begin(), args.end());
        const pid_t tool = StartProgram(command); // env becomes the tool
        // Running: ffmpeg started, or the first picture written.
        EXPECT_TRUE(WaitFor(
            [&]
            {
                return script.empty() ? fs::exists(folder / "frames" / "60000.png")
                                      : fs::exists(pidFile) && fs::file_size(pidFile) > 0;
            },
            60));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        kill(tool, signal);
        const int status = WaitWithin(tool, 10);
        EXPECT_TRUE(signal == SIGKILL ? WIFSIGNALED(status)
                                      : WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal)
            << status;
        if (!script.empty())
        {
            pid_t ffmpeg = 0;
            std::ifstream(pidFile) >> ffmpeg;
            EXPECT_TRUE(ffmpeg > 0 && WaitFor([&] { return Ended(ffmpeg); }, 5));
            if (ffmpeg > 0 && !Ended(ffmpeg))
                kill(ffmpeg, SIGKILL);
        }
        if (signal != SIGKILL)
        {
            EXPECT_EQ(PartFiles(folder), std::vector<std::string>{});
        }
        fs::remove_all(folder / "frames");
        for (const std::string& part : PartFiles(folder))
            fs::remove(folder / part);
    }
}

// Two captures of the same file at once both succeed and leave a whole video; two captures
// into one folder both write every picture.
TEST(CaptureTool, CapturesAtTheSameTimeDoNotMeet)
{
    if (!HaveFfmpeg)
        GTEST_SKIP() << "ffmpeg is not installed";
    Folder folder{"capture"};
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--video", folder / "same.mp4", "--fps", "30", "--seconds", "2"},
          std::vector<std::string>{"--at", "0,5000,13000,30000,43000,60000", "--out",
                                   folder / "frames"}})
    {
        std::vector<std::string> command = {Tool, Assets};
        command.insert(command.end(), args.begin(), args.end());
        const pid_t first = StartProgram(command);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const pid_t second = StartProgram(command);
        for (pid_t run : {first, second})
        {
            const int status = WaitWithin(run, 120);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args[0] << " " << status;
        }
    }
    EXPECT_EQ(Probe(folder / "same.mp4", "format=duration"), "2.000000\n");
    EXPECT_EQ(Contents(folder),
              (std::vector<std::string>{"frames", "frames/0.png", "frames/13000.png",
                                        "frames/30000.png", "frames/43000.png", "frames/5000.png",
                                        "frames/60000.png", "same.mp4"}));
}
