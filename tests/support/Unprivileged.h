#pragma once

// Runs a check with an ordinary user's rights. Root passes every permission
// check, so under root the check runs as nobody in a child process and its
// result comes back through a pipe.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace pixquarry::testing {

inline std::string AsUnprivileged(const std::function<std::string()>& check) {
    if (::geteuid() != 0)
        return check();
    int out[2];
    if (::pipe(out) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const std::string result = ::setgid(65534) == 0 && ::setuid(65534) == 0
                                       ? check()
                                       : std::string("cannot become nobody");
        const bool written =
            ::write(out[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(out[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return "the unprivileged check did not finish: " + result;
    return result;
}

}  // namespace pixquarry::testing
