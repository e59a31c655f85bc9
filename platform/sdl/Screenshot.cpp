// The screenshot key: the frame on screen as a PNG, named with the show's time, so that
// `quen-capture --at` of that time renders the same picture.
#include "platform/png/PngEncoder.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sys/Clock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <system_error>

namespace
{

// The user's pictures folder as xdg-user-dirs records it (XDG_PICTURES_DIR in
// $XDG_CONFIG_HOME/user-dirs.dirs, "$HOME/..." or an absolute path), if it exists; else empty.
std::filesystem::path PicturesFolder()
{
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path file;
    if (config != nullptr && config[0] == '/')
        file = std::filesystem::path(config) / "user-dirs.dirs";
    else if (home != nullptr && home[0] == '/')
        file = std::filesystem::path(home) / ".config" / "user-dirs.dirs";
    else
        return {};
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
    {
        const std::string key = "XDG_PICTURES_DIR=\"";
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0 && home != nullptr && home[0] == '/')
            value = home + value.substr(5);
        std::error_code error;
        if (!value.empty() && value[0] == '/' && std::filesystem::is_directory(value, error))
            return value;
    }
    return {};
}

// Writes `bytes` to `path` through a temporary file in the same folder, so that a file of that
// name is always whole. False with the system's reason.
bool WriteWhole(const std::filesystem::path& path, std::span<const unsigned char> bytes,
                std::string& error)
{
    std::string temporary = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
    {
        error = std::strerror(errno);
        return false;
    }
    ::fchmod(fd, 0644);
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    const int writeError = done == bytes.size() ? 0 : errno;
    if (::close(fd) != 0 || writeError != 0 || ::rename(temporary.c_str(), path.c_str()) != 0)
    {
        error = std::strerror(writeError != 0 ? writeError : errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

namespace sdl
{

void SaveShownFrame(const std::string& startFolder)
{
    const std::uint32_t* pixels = nullptr;
    long pitch = 0;
    int width = 0, height = 0;
    std::uint32_t ms = 0;
    if (!ShownFrame(pixels, pitch, width, height) || !sys::ShownFrameTime(ms))
        return; // nothing shown yet
    static png::Encoder encoder;
    const std::span<const unsigned char> file = encoder.Encode(pixels, width, height, pitch);
    std::filesystem::path folder = PicturesFolder();
    if (folder.empty())
        folder = startFolder; // empty: the current folder
    const std::filesystem::path name = "quen-" + std::to_string(ms) + ".png";
    const std::filesystem::path path = folder.empty() ? name : folder / name;
    std::string error = "out of memory";
    if (!file.empty() && WriteWhole(path, file, error))
    {
        std::error_code ignored;
        const std::filesystem::path shown = std::filesystem::absolute(path, ignored);
        std::fprintf(stderr, "quen: saved the frame at %u.%03u s as %s\n", ms / 1000, ms % 1000,
                     shown.empty() ? path.c_str() : shown.c_str());
    }
    else
        std::fprintf(stderr, "quen: cannot save the frame as %s: %s\n", path.c_str(),
                     error.c_str());
}

} // namespace sdl
