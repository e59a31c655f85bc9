#include "tools/capture/PendingFile.h"

#include "tools/capture/CaptureError.h"

#include <system_error>

namespace capture
{

PendingFile::PendingFile(std::filesystem::path target)
    : target_(std::move(target)), temp_(target_.string() + ".part")
{
}

PendingFile::~PendingFile()
{
    if (!committed_)
    {
        std::error_code ignored;
        std::filesystem::remove(temp_, ignored);
    }
}

void PendingFile::Commit()
{
    std::error_code error;
    const auto size = std::filesystem::file_size(temp_, error);
    if (error || size == 0)
        throw CaptureError("nothing was written to " + temp_.string());
    std::filesystem::rename(temp_, target_, error);
    if (error)
        throw CaptureError("cannot rename " + temp_.string() + " to " + target_.string() + ": " +
                           error.message());
    committed_ = true;
}

} // namespace capture
