#include "platform/posix/PosixProcessStarter.h"

#include "platform/posix/FileDescriptor.h"
#include "platform/posix/SystemReason.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pixquarry {

namespace {

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void Fail(int reportFd, int error) {
    (void)!::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

std::string PosixProcessStarter::Start(const std::string& program, const std::string& workDir) {
    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it and the parent reads nothing.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return SystemReason(errno);
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);

    const pid_t child = ::fork();
    if (child < 0)
        return SystemReason(errno);
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0)
            Fail(writeEnd.get(), errno);
        if (grandchild > 0)
            ::_exit(0);
        if (::chdir(workDir.c_str()) != 0)
            Fail(writeEnd.get(), errno);
        char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
        ::execv(program.c_str(), argv);
        Fail(writeEnd.get(), errno);
    }
    writeEnd.Close();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(readEnd.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof error))
        return SystemReason(error);
    return {};
}

}  // namespace pixquarry
