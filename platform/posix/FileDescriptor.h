#pragma once

#include <unistd.h>

namespace pixquarry {

// Owns one file descriptor; -1 owns nothing.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }

    int get() const { return m_fd; }
    // Closes now: a late write failure shows only in close's result.
    int Close() {
        if (m_fd < 0)
            return 0;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

}  // namespace pixquarry
