#include "platform/posix/PosixProcessStarter.h"

#include "platform/common/SystemReason.h"
#include "platform/posix/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pixquarry {

namespace {

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void Fail(int reportFd, int error) {
    (void)!::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

// The program's path, looked up on PATH before the fork: the child only
// calls what is safe there.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

}  // namespace

std::string PosixProcessStarter::Start(const std::string& program, const std::string& workDir) {
    return StartDetached({program}, workDir);
}

std::string StartDetached(const std::vector<std::string>& args, const std::string& workDir) {
    const std::string program = args.empty() ? std::string() : FindProgram(args[0]);
    if (program.empty())
        return SystemReason(ENOENT);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
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
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0)
            Fail(writeEnd.get(), errno);
        ::execv(program.c_str(), argv.data());
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
