#include "platform/posix/PartFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/FilePaths.h"
#include "platform/common/SystemReason.h"

namespace pixquarry {

namespace {

constexpr char kSuffix[] = ".part";

std::string SystemError() {
    return SystemReason(errno);
}

std::string WorkFolder(const std::string& folder) {
    return WithClosingSlash(folder.empty() ? "." : folder) + PartFile::kWorkFolder;
}

// Names unique to this process; O_EXCL settles a clash with anyone else's.
std::string NextName(const std::string& work) {
    static std::atomic<unsigned long> counter{0};
    return work + "/" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + kSuffix;
}

bool IsPartName(const char* name) {
    const std::string_view n(name);
    return n.size() > sizeof kSuffix && n.substr(n.size() - (sizeof kSuffix - 1)) == kSuffix;
}

}  // namespace

void PartFile::RemoveOrphans(const std::string& folder) {
    const std::string work = WorkFolder(folder);
    DIR* dir = ::opendir(work.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsPartName(entry->d_name))
            continue;
        const std::string path = work + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        // Whoever wrote it holds its lock until the end; a free lock means
        // the writer is gone, killed or crashed.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
    ::rmdir(work.c_str());  // fails while a run still writes there
}

PartFile::PartFile(const std::string& folder) : m_work(WorkFolder(folder)) {
    int fd = -1;
    std::string name;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        name = NextName(m_work);
        // 0666 less the umask: the user's usual mode for a new picture.
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        // No work folder: none yet, or another run's last part file took it away.
        if (fd < 0 && errno == ENOENT && (::mkdir(m_work.c_str(), 0777) == 0 || errno == EEXIST))
            continue;
        if (fd < 0 && errno != EEXIST)
            break;
        // The lock says "someone is writing this" for as long as the file
        // is open. A sweep that came between open and lock has removed it:
        // then take another name.
        struct stat info {};
        if (fd >= 0 && (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &info) != 0 ||
                        info.st_nlink == 0)) {
            ::close(fd);
            fd = -1;
            errno = EEXIST;
        }
    }
    if (fd < 0) {
        m_openError = SystemError();
        ::rmdir(m_work.c_str());
        return;
    }
    m_path = name;
    m_file.reset(::fdopen(fd, "wb"));
    if (!m_file) {
        m_openError = SystemError();
        ::close(fd);
    }
}

PartFile::~PartFile() {
    m_file.reset();
    if (!m_path.empty() && !m_committed)
        ::unlink(m_path.c_str());
    ::rmdir(m_work.c_str());  // fails while other part files are there
}

bool PartFile::Write(std::string_view chunk, std::string& error) {
    if (std::fwrite(chunk.data(), 1, chunk.size(), m_file.get()) == chunk.size())
        return true;
    error = SystemError();
    return false;
}

bool PartFile::Commit(const std::string& path, std::string& error, std::optional<unsigned> mode,
                      bool sync) {
    // fflush and fclose report what the last buffered write ran into, e.g. a full disk.
    std::FILE* file = m_file.release();
    const int fd = ::fileno(file);
    const bool ready = std::fflush(file) == 0 && (!mode || ::fchmod(fd, *mode) == 0) &&
                       (!sync || ::fsync(fd) == 0);
    const int failure = errno;
    if (std::fclose(file) != 0 || !ready || ::rename(m_path.c_str(), path.c_str()) != 0) {
        if (!ready)
            errno = failure;
        error = SystemError();
        return false;
    }
    m_committed = true;
    return true;
}

}  // namespace pixquarry
