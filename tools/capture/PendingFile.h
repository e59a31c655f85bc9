// A file written under a temporary name beside its final one and renamed when complete, so
// that a file with the final name is always whole.
#pragma once

#include <filesystem>

namespace capture
{

// Owns the temporary file until Commit gives it its final name.
class PendingFile
{
  public:
    // The temporary name is `target` with ".part" appended.
    explicit PendingFile(std::filesystem::path target);
    // Deletes the temporary file unless Commit succeeded.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where to write.
    const std::filesystem::path& TempPath() const { return temp_; }

    // Renames the temporary file to the target, replacing any file there. Throws CaptureError
    // if the temporary file is missing or empty or the rename fails.
    void Commit();

  private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool committed_ = false;
};

} // namespace capture
