// Output files: the checks made before anything is rendered, and files written under a
// temporary name of their own beside their final one, renamed when complete, so that a file
// with the final name is always whole.
#pragma once

#include <filesystem>

namespace capture
{

// The file that writing to `path` (absolute) replaces: a symbolic link is followed to its
// target, which is written through, as other tools do, except a link that another user made
// in a sticky folder everyone may write to (the system's temporary folder), which the kernel
// would not follow either. Throws CaptureError naming `path` for such a link, and if it is a
// folder, an existing file that is not a regular one (a device, a pipe, a socket), or in a
// folder that does not exist.
std::filesystem::path ResolveOutputFile(const std::filesystem::path& path);

// Owns the temporary file until Commit gives it its final name.
class PendingFile
{
  public:
    // Creates an empty file "<target>.XXXXXX.part", its name unique to this run (the X are
    // chosen as mkstemp does; the target's name shortened where the folder's longest name
    // would not hold it all), with the permissions of the file it replaces, or of a new file.
    // Throws CaptureError with the reason when the folder cannot take it.
    explicit PendingFile(std::filesystem::path target);
    // Deletes the temporary file unless Commit succeeded. Only that file: never a folder.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::filesystem::path& TempPath() const { return temp_; }

    // The temporary file open for writing; the caller closes it. -1 once taken.
    int TakeDescriptor();

    // Renames the temporary file to the target, replacing a regular file there. Throws
    // CaptureError if the temporary file is missing or empty or the rename fails.
    void Commit();
    // The same under another name in the same folder (a file kept after a failed check).
    void CommitAs(const std::filesystem::path& name);

  private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    int descriptor_ = -1;
    bool committed_ = false;
};

} // namespace capture
