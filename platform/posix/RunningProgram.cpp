#include "platform/posix/RunningProgram.h"

#include <limits.h>
#include <unistd.h>

#include <string>

namespace pixquarry {

ProgramInfo RunningProgram() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof buffer))
        return {};
    const std::string exe(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return {};
    ProgramInfo info;
    info.folder = slash == 0 ? std::string("/") : exe.substr(0, slash);
    info.exeName = exe.substr(slash + 1);
    return info;
}

}  // namespace pixquarry
