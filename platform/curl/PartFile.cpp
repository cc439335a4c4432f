#include "platform/curl/PartFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace pixquarry {

namespace {

constexpr char kSuffix[] = ".part";

std::string SystemError() {
    return std::strerror(errno);
}

// Reading the mask through umask() would briefly change it for every thread.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

}  // namespace

PartFile::PartFile(const std::string& folder) {
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '/')
        pattern += '/';
    pattern += ".pixquarry-XXXXXX";
    pattern += kSuffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), sizeof kSuffix - 1);
    if (fd < 0) {
        m_openError = SystemError();
        return;
    }
    m_path = name.data();
    // mkstemps makes it 0600; a picture should get the user's usual mode.
    ::fchmod(fd, 0666 & ~CurrentUmask());
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
}

bool PartFile::Write(std::string_view chunk, std::string& error) {
    if (std::fwrite(chunk.data(), 1, chunk.size(), m_file.get()) == chunk.size())
        return true;
    error = SystemError();
    return false;
}

bool PartFile::Commit(const std::string& path, std::string& error) {
    // fclose reports what the last buffered write ran into, e.g. a full disk.
    if (std::fclose(m_file.release()) != 0 || ::rename(m_path.c_str(), path.c_str()) != 0) {
        error = SystemError();
        return false;
    }
    m_committed = true;
    return true;
}

}  // namespace pixquarry
