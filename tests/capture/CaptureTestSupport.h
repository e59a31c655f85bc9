// Shared helpers of the capture tests: scratch folders, running programs, PNG files read back
// and frames rendered in-process.
#pragma once

#include "platform/session/ShowSession.h"

#include <gtest/gtest.h>
#include <png.h>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

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
