#include "tools/capture/PendingFile.h"

#include "tools/capture/CaptureError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace capture
{

namespace
{

// mkstemp makes files readable by their owner only; a finished capture gets the permissions
// any new file gets. Read once, before any thread starts, since umask() can only be read by
// setting it.
const mode_t NewFileMode = []
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}();

std::string Reason(int error)
{
    return std::strerror(error);
}

// A link in a folder that everyone may write to and that keeps their files apart (sticky, as
// the system's temporary folder is) is followed only when the running user made it: anyone
// else's may lead anywhere that user can write, and writing through it would replace that
// file. The kernel refuses such links itself (fs.protected_symlinks) when they are opened;
// here the links are read, so the same rule is applied here. `shown` names the path as the
// user gave it.
void RefuseOthersLinkInSharedFolder(const std::filesystem::path& path,
                                    const std::filesystem::path& link, const struct stat& info)
{
    struct stat folder;
    if (::stat(link.parent_path().c_str(), &folder) != 0)
        return; // the folder is checked when the file is made
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    if (shared && info.st_uid != ::geteuid())
        throw CaptureError("cannot write " + path.string() + ": " +
                           (link == path ? std::string("it") : "its link " + link.string()) +
                           " is a link that another user made in the shared folder " +
                           link.parent_path().string() +
                           ", and is not followed; remove it or write elsewhere");
}

// The name of the temporary file beside `target`: "<name>.XXXXXX.part", the name shortened
// (never inside a UTF-8 character) where the whole would be longer than the folder allows.
std::string TemporaryName(const std::filesystem::path& target, const std::string& suffix)
{
    const std::string folder = target.parent_path().string();
    const long longest = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    std::string name = target.filename().string();
    const std::size_t room = std::size_t(longest > 0 ? longest : 255) - suffix.size();
    if (name.size() > room)
    {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return (target.parent_path() / name).string() + suffix;
}

} // namespace

std::filesystem::path ResolveOutputFile(const std::filesystem::path& path)
{
    std::filesystem::path file = path;
    // The user's path, and where it leads if that is elsewhere.
    auto name = [&]
    { return path.string() + (file == path ? "" : " (a link to " + file.string() + ")"); };
    for (int links = 0;; ++links)
    {
        struct stat info;
        if (::lstat(file.c_str(), &info) != 0)
        {
            if (errno == ENOENT)
                break; // a new file
            throw CaptureError("cannot write " + path.string() + ": " + Reason(errno));
        }
        if (S_ISLNK(info.st_mode))
        {
            RefuseOthersLinkInSharedFolder(path, file, info);
            if (links == 40)
                throw CaptureError("cannot write " + path.string() + ": " + Reason(ELOOP));
            char target[4096];
            const ssize_t length = ::readlink(file.c_str(), target, sizeof target - 1);
            if (length < 0)
                throw CaptureError("cannot write " + path.string() + ": " + Reason(errno));
            const std::filesystem::path next(std::string(target, std::size_t(length)));
            file = next.is_absolute() ? next : file.parent_path() / next;
            continue;
        }
        if (S_ISDIR(info.st_mode))
            throw CaptureError(name() + " is a folder; give a file name");
        if (!S_ISREG(info.st_mode))
            throw CaptureError(name() +
                               " is not a regular file (a device, pipe or socket) and is left "
                               "alone; give a file name");
        break;
    }
    const std::filesystem::path folder = file.parent_path();
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0)
        throw CaptureError("cannot write " + path.string() + ": folder " + folder.string() +
                           (errno == ENOENT ? " does not exist" : ": " + Reason(errno)));
    if (!S_ISDIR(info.st_mode))
        throw CaptureError("cannot write " + path.string() + ": " + folder.string() +
                           " is not a folder");
    return file;
}

PendingFile::PendingFile(std::filesystem::path target) : target_(std::move(target))
{
    const std::string suffix = ".part";
    std::string name = TemporaryName(target_, ".XXXXXX" + suffix);
    descriptor_ = ::mkostemps(name.data(), int(suffix.size()), O_CLOEXEC);
    if (descriptor_ < 0)
        throw CaptureError("cannot write " + target_.string() + ": " + Reason(errno));
    temp_ = name;
    // A file that is replaced keeps its permissions; a new one gets those any new file gets.
    struct stat replaced;
    const bool replacing = ::stat(target_.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    ::fchmod(descriptor_, replacing ? replaced.st_mode & 0777 : NewFileMode);
}

PendingFile::~PendingFile()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    if (!committed_)
        ::unlink(temp_.c_str());
}

int PendingFile::TakeDescriptor()
{
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

void PendingFile::Commit()
{
    CommitAs(target_);
}

void PendingFile::CommitAs(const std::filesystem::path& name)
{
    struct stat info;
    if (::stat(temp_.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        throw CaptureError("nothing was written to " + target_.string());
    if (::rename(temp_.c_str(), name.c_str()) != 0)
        throw CaptureError("cannot rename " + temp_.string() + " to " + name.string() + ": " +
                           Reason(errno));
    committed_ = true;
}

} // namespace capture
