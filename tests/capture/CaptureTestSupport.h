// Shared helpers of the capture tests: scratch folders, running programs, PNG files read back
// and frames rendered in-process.
#pragma once

#include "platform/session/ShowSession.h"

#include <gtest/gtest.h>
#include <png.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

extern char** environ;

namespace capturetest
{

namespace fs = std::filesystem;
using Pixels = std::vector<std::uint32_t>;
inline const fs::path AssetsDir = QUEN_ASSETS_DIR;

// A fresh empty folder, removed with everything in it at the end of the test.
struct TempFolder
{
    fs::path path = fs::temp_directory_path() / ("quen-capture-test-" + std::to_string(getpid()));
    TempFolder()
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path operator/(const std::string& name) const { return path / name; }

    // Everything in the folder, recursively, relative to it, sorted.
    std::vector<std::string> Contents() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(path))
            names.push_back(fs::relative(entry.path(), path).string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// How a program ended (-1 unless it exited) and what it printed on stdout and stderr.
struct RunResult
{
    int status;
    std::string output;
};

// Runs args[0], looked up in PATH, with standard input empty.
inline RunResult RunProgram(const std::vector<std::string>& args)
{
    std::string command = "exec";
    for (const std::string& arg : args)
        command += " '" + std::regex_replace(arg, std::regex("'"), "'\\''") + "'";
    std::FILE* pipe = popen((command + " </dev/null 2>&1").c_str(), "r");
    RunResult result{-1, ""};
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Starts args[0], looked up in PATH, with no input and all output to /dev/null.
inline pid_t StartProgram(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    pid_t pid = -1;
    posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits up to `seconds` for `ready`.
inline bool WaitFor(const std::function<bool()>& ready, double seconds)
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
inline int WaitWithin(pid_t pid, double seconds)
{
    int status = 0;
    if (WaitFor([&] { return waitpid(pid, &status, WNOHANG) != 0; }, seconds))
        return status;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// The pixels of a PNG file as 0x00RRGGBB words; fails the test unless the file is an 8-bit RGB
// picture of 800x600.
inline Pixels ReadPng(const fs::path& file)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> rgb(800 * 600 * 3);
    if (!png_image_begin_read_from_file(&image, file.c_str()) || image.format != PNG_FORMAT_RGB ||
        image.width != 800 || image.height != 600 ||
        !png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
    {
        png_image_free(&image);
        ADD_FAILURE() << file << " is not an 8-bit RGB PNG of 800x600";
        return {};
    }
    Pixels pixels(800 * 600);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return pixels;
}

// Renders `times` in order in one session started in the assets folder at `startTick`, calls
// `check` with the position of each frame just rendered, and returns the frames, rows packed,
// bits 24-31 cleared as a PNG stores them.
inline std::vector<Pixels> RenderSequence(
    const std::vector<std::uint32_t>& times, std::uint32_t startTick = 1000,
    const std::function<void(std::size_t)>& check = [](std::size_t) {})
{
    const fs::path previous = fs::current_path();
    fs::current_path(AssetsDir);
    std::vector<Pixels> frames;
    {
        demo::ShowSession session(startTick);
        for (std::size_t i = 0; i < times.size(); ++i)
        {
            session.Render(times[i]);
            check(i);
            const demo::FrameView frame = session.Frame();
            Pixels& pixels = frames.emplace_back();
            for (int y = 0; y < frame.height; ++y)
                for (int x = 0; x < frame.width; ++x)
                    pixels.push_back(frame.pixels[y * frame.pitch / 4 + x] & 0xFFFFFF);
        }
    }
    fs::current_path(previous);
    return frames;
}

} // namespace capturetest
