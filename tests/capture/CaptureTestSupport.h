// Shared helpers of the capture tests: scratch folders, running the quen-capture executable
// and other programs, reading PNG files back, and copies of rendered frames.
#pragma once

#include "tools/capture/ShowSession.h"

#include <gtest/gtest.h>
#include <png.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace capturetest
{

namespace fs = std::filesystem;

// The project's pictures and music.
inline const fs::path AssetsDir = QUEN_ASSETS_DIR;
// The tool under test.
inline const fs::path CaptureExe = QUEN_CAPTURE_EXE;

// A fresh empty folder, removed with everything in it at the end of the test.
class TempFolder
{
  public:
    TempFolder()
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = test != nullptr ? test->name() : "test";
        path_ = fs::temp_directory_path() /
                ("quen-capture-test-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

    // Names of everything in the folder, recursively, relative to it, sorted.
    std::vector<std::string> Contents() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(path_))
            names.push_back(fs::relative(entry.path(), path_).string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    fs::path path_;
};

// Changes the current folder for the lifetime of the object.
class ScopedCurrentPath
{
  public:
    explicit ScopedCurrentPath(const fs::path& folder) : previous_(fs::current_path())
    {
        fs::current_path(folder);
    }
    ~ScopedCurrentPath() { fs::current_path(previous_); }
    ScopedCurrentPath(const ScopedCurrentPath&) = delete;
    ScopedCurrentPath& operator=(const ScopedCurrentPath&) = delete;

  private:
    fs::path previous_;
};

// How a program run ended and what it printed.
struct RunResult
{
    int exitStatus = -1; // -1 if it did not exit normally
    std::string out;
    std::string err;
};

// Where and how to run a program.
struct RunSettings
{
    std::optional<fs::path> folder;  // working folder; the test's own if empty
    std::optional<std::string> path; // PATH for the program; inherited if empty
};

// Runs in `folder`.
inline RunSettings InFolder(const fs::path& folder)
{
    RunSettings settings;
    settings.folder = folder;
    return settings;
}

// Runs with PATH set to `path`.
inline RunSettings WithPath(const std::string& path)
{
    RunSettings settings;
    settings.path = path;
    return settings;
}

inline std::string ReadText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A program started by StartProgram, its output going to files of its own.
struct StartedProgram
{
    pid_t pid = -1;
    fs::path scratch;
};

// Starts `program` with `args`, standard input empty, and returns at once.
inline StartedProgram StartProgram(const fs::path& program, const std::vector<std::string>& args,
                                   const RunSettings& settings = {})
{
    static int runs = 0;
    StartedProgram started;
    started.scratch =
        fs::temp_directory_path() /
        ("quen-capture-run-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
    fs::create_directories(started.scratch);
    const fs::path outFile = started.scratch / "stdout", errFile = started.scratch / "stderr";

    std::vector<std::string> argStrings = {program.string()};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** entry = environ; *entry != nullptr; ++entry)
    {
        if (!settings.path || std::strncmp(*entry, "PATH=", 5) != 0)
            envStrings.emplace_back(*entry);
    }
    if (settings.path)
        envStrings.push_back("PATH=" + *settings.path);
    std::vector<char*> envp;
    for (std::string& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (settings.folder)
        posix_spawn_file_actions_addchdir_np(&actions, settings.folder->c_str());
    if (posix_spawn(&started.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) !=
        0)
        started.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return started;
}

// Waits for a started program to end and returns what it printed.
inline RunResult WaitProgram(const StartedProgram& started)
{
    RunResult result;
    if (started.pid > 0)
    {
        int status = 0;
        while (waitpid(started.pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        if (WIFEXITED(status))
            result.exitStatus = WEXITSTATUS(status);
    }
    result.out = ReadText(started.scratch / "stdout");
    result.err = ReadText(started.scratch / "stderr");
    fs::remove_all(started.scratch);
    return result;
}

// Runs `program` with `args` to its end.
inline RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args,
                            const RunSettings& settings = {})
{
    return WaitProgram(StartProgram(program, args, settings));
}

// Runs quen-capture with `args`.
inline RunResult RunCaptureTool(const std::vector<std::string>& args,
                                const RunSettings& settings = {})
{
    return RunProgram(CaptureExe, args, settings);
}

// Number of lines in `text` (a last line without a line end counts too).
inline int LineCount(const std::string& text)
{
    int lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\n' || i + 1 == text.size())
            ++lines;
    }
    return lines;
}

// A PNG file as stored: header fields and its pixels as 0x00RRGGBB words.
struct PngPicture
{
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;
    std::vector<std::uint32_t> pixels;
};

// Reads a PNG file; fails the test if it cannot be decoded.
inline PngPicture ReadPng(const fs::path& file)
{
    PngPicture picture;
    const std::string bytes = ReadText(file);
    // The header chunk follows the 8-byte signature: length, "IHDR", width, height, bit depth,
    // colour type.
    EXPECT_GE(bytes.size(), 26u) << file;
    if (bytes.size() < 26)
        return picture;
    picture.bitDepth = static_cast<unsigned char>(bytes[24]);
    picture.colourType = static_cast<unsigned char>(bytes[25]);

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
    {
        ADD_FAILURE() << "cannot decode " << file << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
    {
        ADD_FAILURE() << "cannot decode " << file << ": " << image.message;
        return picture;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.resize(std::size_t(picture.width) * std::size_t(picture.height));
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
    {
        picture.pixels[i] = (std::uint32_t{rgb[3 * i]} << 16) |
                            (std::uint32_t{rgb[3 * i + 1]} << 8) | std::uint32_t{rgb[3 * i + 2]};
    }
    return picture;
}

// The session's current frame, rows packed, bits 24-31 cleared as a PNG stores it.
inline std::vector<std::uint32_t> Snapshot(const capture::ShowSession& session)
{
    const capture::FrameView frame = session.Frame();
    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(frame.width) * std::size_t(frame.height));
    for (int y = 0; y < frame.height; ++y)
    {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            reinterpret_cast<const unsigned char*>(frame.pixels) + y * frame.pitch);
        for (int x = 0; x < frame.width; ++x)
            pixels.push_back(row[x] & 0xFFFFFFu);
    }
    return pixels;
}

// Renders `times` in order in a new session started in `folder`; returns the frame after
// each.
inline std::vector<std::vector<std::uint32_t>>
RenderSequence(const std::vector<std::uint32_t>& times, const fs::path& folder = AssetsDir)
{
    ScopedCurrentPath inFolder(folder);
    capture::ShowSession session;
    std::vector<std::vector<std::uint32_t>> frames;
    for (std::uint32_t t : times)
    {
        session.Render(t);
        frames.push_back(Snapshot(session));
    }
    return frames;
}

} // namespace capturetest
