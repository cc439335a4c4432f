#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pixquarry {

FileSystem::Kind PosixFileSystem::KindOf(const std::string& path, bool followLinks) {
    struct stat info {};
    const int found = followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (found != 0)
        return Kind::Missing;
    if (S_ISREG(info.st_mode))
        return Kind::File;
    return S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
}

int PosixFileSystem::CheckWritable(const std::string& folder) {
    // access() asks with the real user's rights, which are the ones the
    // program's own writes will have.
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int PosixFileSystem::MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int PosixFileSystem::RemoveFile(const std::string& path) {
    // Unlinking asks only the folder; a file made read-only is the user's word.
    if (::access(path.c_str(), W_OK) != 0)
        return errno;
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::CreateEmptyFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int PosixFileSystem::MakeRunnable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno;
    return ::chmod(path.c_str(), info.st_mode | S_IXUSR) == 0 ? 0 : errno;
}

}  // namespace pixquarry
