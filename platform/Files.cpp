#include "platform/sys/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

// Windows' C runtime opens in text mode unless told otherwise and knows neither flag below;
// its files cannot be pipes that block an open.
#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace
{

std::string Reason(int error)
{
    switch (error)
    {
        case ENOENT: return "file not found";
        case EACCES: return "permission denied";
        case EISDIR: return "is a folder";
        case ENXIO: return "not a regular file"; // a socket
        default: return std::strerror(error);
    }
}

class Descriptor
{
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

} // namespace

namespace sys
{

bool ReadWholeFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& data,
                   std::string& error)
{
    data.clear();
    if (path == nullptr || *path == '\0')
    {
        error = "file not found";
        return false;
    }
    // Non-blocking, so that a named pipe without a writer opens at once and is then refused
    // as not a regular file, instead of hanging the program in open().
    Descriptor fd(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_BINARY));
    if (fd.get() < 0)
    {
        error = Reason(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd.get(), &info) != 0)
    {
        error = Reason(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode))
    {
        error = "is a folder";
        return false;
    }
    if (!S_ISREG(info.st_mode))
    {
        error = "not a regular file";
        return false;
    }
    if (info.st_size == 0)
    {
        error = "empty file";
        return false;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes)
    {
        error = "file too large";
        return false;
    }
    // The size as it was when opened: a file that grows meanwhile is read to that size.
    try
    {
        data.resize(static_cast<std::size_t>(info.st_size));
    }
    catch (const std::bad_alloc&)
    {
        error = "not enough memory";
        return false;
    }
    std::size_t done = 0;
    while (done < data.size())
    {
        const auto got = ::read(fd.get(), data.data() + done, data.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            error = "cannot read the file: " + Reason(errno);
            data.clear();
            return false;
        }
        if (got == 0)
            break; // shrank meanwhile
        done += static_cast<std::size_t>(got);
    }
    data.resize(done);
    if (data.empty())
    {
        error = "empty file";
        return false;
    }
    return true;
}

void OpenMissingStandardStreams()
{
#ifndef _WIN32
    // open() takes the lowest free number: each closed one in turn, from 0 up.
    for (int fd = 0; fd <= 2; ++fd)
    {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened > 2)
            ::close(opened);
    }
#endif
}

} // namespace sys
