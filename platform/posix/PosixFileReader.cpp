#include "platform/posix/PosixFileReader.h"

#include "platform/posix/FileDescriptor.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace pixquarry {

namespace {

ReadResult Failure(int error) {
    ReadResult r;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            r.problem = ReadResult::Problem::Missing;
            break;
        case EACCES:
        case EPERM:
            r.problem = ReadResult::Problem::NoPermission;
            break;
        case EISDIR:
            r.problem = ReadResult::Problem::IsFolder;
            break;
        case ENOMEM:
            r.problem = ReadResult::Problem::OutOfMemory;
            break;
        default:
            r.problem = ReadResult::Problem::Other;
            r.detail = std::strerror(error);
            break;
    }
    return r;
}

// Large files land in fresh anonymous memory; asking for huge pages there
// spares the kernel some thousands of page faults per file.
void PreferHugePages(std::string& buffer) {
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t end = begin + buffer.capacity();
    const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = end & ~(kHuge - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace

ReadResult PosixFileReader::ReadWhole(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        return Failure(ENOENT);
    // O_NONBLOCK keeps open() from waiting for a writer when the path is a FIFO.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return Failure(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return Failure(errno);
    if (S_ISDIR(info.st_mode))
        return Failure(EISDIR);
    if (!S_ISREG(info.st_mode)) {
        ReadResult r;
        r.problem = ReadResult::Problem::NotRegularFile;
        return r;
    }

    ReadResult r;
    try {
        std::string& bytes = r.bytes;
        // The size is a hint: the file may change while we read it.
        bytes.reserve(static_cast<std::size_t>(info.st_size) + 1);
        PreferHugePages(bytes);
        bytes.resize(bytes.capacity());
        std::size_t used = 0;
        for (;;) {
            if (used == bytes.size())
                bytes.resize(bytes.size() * 2);
            const ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return Failure(errno);
            }
            used += static_cast<std::size_t>(n);
        }
        bytes.resize(used);
    } catch (const std::bad_alloc&) {
        return Failure(ENOMEM);
    } catch (const std::length_error&) {
        return Failure(ENOMEM);
    }
    return r;
}

}  // namespace pixquarry
