#pragma once

// The stand-in publisher's site, started as its own process for one test.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace pixquarry::testing {

class StandInSite final {
public:
    explicit StandInSite(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe(out) != 0)
            throw std::runtime_error("pipe");
        std::vector<std::string> all{PIXQUARRY_PUBLISHER_SITE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        // The site logs every request to stderr.
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_log.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int failed = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (failed != 0) {
            ::close(out[0]);
            throw std::runtime_error("cannot start the stand-in site");
        }
        // First line: "listening on http://127.0.0.1:PORT".
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        const auto at = line.find("http://");
        if (at == std::string::npos)
            throw std::runtime_error("the stand-in site said: " + line);
        m_origin = line.substr(at);
    }
    StandInSite(const StandInSite&) = delete;
    StandInSite& operator=(const StandInSite&) = delete;
    ~StandInSite() {
        ::kill(m_pid, SIGKILL);
        int status;
        ::waitpid(m_pid, &status, 0);
        std::filesystem::remove(m_log);
    }

    const std::string& Origin() const { return m_origin; }
    // "GET /path" lines, one per request so far.
    std::string Requests() const {
        std::ostringstream text;
        text << std::ifstream(m_log).rdbuf();
        return text.str();
    }

private:
    static inline int s_started = 0;
    std::string m_log =
        (std::filesystem::temp_directory_path() / ("pixquarry-site-" + std::to_string(::getpid()) +
                                                   "-" + std::to_string(s_started++) + ".log"))
            .string();
    pid_t m_pid = -1;
    std::string m_origin;
};

}  // namespace pixquarry::testing
