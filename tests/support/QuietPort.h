#pragma once

// A port on 127.0.0.1 held for the test: either nothing listens (connections
// are refused) or the kernel accepts connections that nobody ever answers.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace pixquarry::testing {

class QuietPort final {
public:
    enum class Mode { Refuse, Silent };

    explicit QuietPort(Mode mode) : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto* generic = reinterpret_cast<sockaddr*>(&address);
        if (m_fd < 0 || ::bind(m_fd, generic, size) != 0 ||
            ::getsockname(m_fd, generic, &size) != 0 ||
            (mode == Mode::Silent && ::listen(m_fd, 8) != 0)) {
            Close();
            throw std::runtime_error("QuietPort: no socket");
        }
        m_port = ntohs(address.sin_port);
    }
    QuietPort(const QuietPort&) = delete;
    QuietPort& operator=(const QuietPort&) = delete;
    ~QuietPort() { Close(); }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    void Close() {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int m_fd;
    int m_port = 0;
};

}  // namespace pixquarry::testing
