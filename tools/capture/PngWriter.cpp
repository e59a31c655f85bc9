#include "tools/capture/PngWriter.h"

#include "tools/capture/CaptureError.h"
#include "tools/capture/PendingFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace capture
{

namespace
{

// Each encoding thread keeps its compressor and buffers from frame to frame.
thread_local png::Encoder encoder;

} // namespace

std::span<const unsigned char> EncodePng(const FrameImage& frame, const PngEncoding& encoding)
{
    const std::span<const unsigned char> file = encoder.Encode(
        frame.pixels.data(), frame.width, frame.height, long(frame.width) * 4, encoding);
    if (file.empty())
        throw CaptureError("out of memory for the PNG compressor");
    return file;
}

void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              const PngEncoding& encoding)
{
    const std::span<const unsigned char> png = EncodePng(frame, encoding);
    PendingFile pending(path);
    const int descriptor = pending.TakeDescriptor();
    std::size_t done = 0;
    while (done < png.size())
    {
        const ssize_t written = ::write(descriptor, png.data() + done, png.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
        {
            const int error = errno;
            ::close(descriptor);
            throw CaptureError("cannot write " + path.string() + ": " + std::strerror(error));
        }
        done += std::size_t(written);
    }
    if (::close(descriptor) != 0)
        throw CaptureError("cannot write " + path.string() + ": " + std::strerror(errno));
    pending.Commit();
}

} // namespace capture
