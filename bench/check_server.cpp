// The loopback site the link-check benchmarks run against, on one thread
// with epoll, so it can count what a client does to it:
//   /page.html     a page whose <style> names /pic/0.png ... /pic/COUNT-1.png
//   /big.html      a page whose <style> names /big.png
//   /pic/N.png     a 16 × 16 PNG, answered DELAY ms after the request came
//   /big.png       a 2 MiB PNG as a 200 whatever Range says (a server that
//                  ignores Range), through a 4 KiB send buffer
//   /stats         "most-open M big-bytes B": the most connections open at
//                  once since the last /stats (this one included) and the
//                  bytes of /big.png the clients took in; then both start again
// Keep-alive is on; HEAD is answered as GET without the body.
//
// Usage: bench_check_server [--count N] [--delay-ms MS]
// The first line out is "listening on http://127.0.0.1:PORT".

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <zlib.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    return Be32(static_cast<std::uint32_t>(data.size())) + body +
           Be32(static_cast<std::uint32_t>(
               crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

// A grey PNG of `side` × `side`, padded after its end to `size` bytes.
std::string Png(std::uint32_t side, std::size_t size) {
    std::string raw;
    for (std::uint32_t y = 0; y < side; ++y)
        raw += '\0' + std::string(side, '\x80');
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef*>(raw.data()), raw.size());
    packed.resize(packedSize);
    std::string png = "\x89PNG\r\n\x1a\n" +
                      Chunk("IHDR", Be32(side) + Be32(side) + std::string("\x08\0\0\0\0", 5)) +
                      Chunk("IDAT", packed) + Chunk("IEND", "");
    png.resize(std::max(png.size(), size), '\0');
    return png;
}

struct Connection {
    std::uint64_t serial = 0;  // tells a connection from a later one on the same fd
    std::string in;
    std::string out;
    std::size_t bigLeft = 0;  // bytes of /big.png still in `out`
};

struct Due {
    Clock::time_point when;
    int fd;
    std::uint64_t serial;
    std::string answer;
};

}  // namespace

int main(int argc, char** argv) {
    long count = 2000, delayMs = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--count") == 0)
            count = value;
        else if (std::strcmp(argv[i], "--delay-ms") == 0)
            delayMs = value;
    }
    const std::string picture = Png(16, 0);
    const std::string big = Png(1000, 2 << 20);
    std::string page = "<!DOCTYPE html><html><head><style>\n";
    for (long i = 0; i < count; ++i)
        page += ".p" + std::to_string(i) + "{background:url(/pic/" + std::to_string(i) + ".png)}\n";
    page += "</style></head><body>pictures</body></html>\n";

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, SOMAXCONN) != 0) {
        std::perror("bench_check_server");
        return 1;
    }
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::printf("listening on http://127.0.0.1:%d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    const int poller = ::epoll_create1(0);
    epoll_event event{EPOLLIN, {.fd = listener}};
    ::epoll_ctl(poller, EPOLL_CTL_ADD, listener, &event);
    std::map<int, Connection> open;
    std::deque<Due> due;  // every answer waits the same time: oldest first
    std::size_t mostOpen = 0;
    std::uint64_t serials = 0;
    std::int64_t bigBytes = 0;

    const auto close = [&](int fd) {
        ::epoll_ctl(poller, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        open.erase(fd);
    };
    const auto flush = [&](int fd) {
        Connection& c = open[fd];
        while (!c.out.empty()) {
            const ssize_t n = ::send(fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EAGAIN)
                break;
            if (n <= 0)
                return close(fd);
            const auto sent = static_cast<std::size_t>(n);
            // /big.png is the last thing in `out` while it is being sent.
            const std::size_t bigSent =
                std::min(c.bigLeft, sent - std::min(sent, c.out.size() - c.bigLeft));
            bigBytes += static_cast<std::int64_t>(bigSent);
            c.bigLeft -= bigSent;
            c.out.erase(0, sent);
        }
        epoll_event want{static_cast<std::uint32_t>(EPOLLIN) |
                             (c.out.empty() ? 0u : static_cast<std::uint32_t>(EPOLLOUT)),
                         {.fd = fd}};
        ::epoll_ctl(poller, EPOLL_CTL_MOD, fd, &want);
    };
    const auto answer = [&](int fd, const std::string& request) {
        const bool head = request.rfind("HEAD ", 0) == 0;
        const std::size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        std::string type = "image/png", body;
        bool late = false, isBig = false;
        if (path == "/page.html") {
            type = "text/html", body = page;
        } else if (path == "/big.html") {
            type = "text/html";
            body =
                "<!DOCTYPE html><html><head><style>.big{background:url(/big.png)}</style>"
                "</head><body>one picture</body></html>\n";
        } else if (path == "/big.png") {
            body = big, isBig = true;
        } else if (path == "/stats") {
            type = "text/plain";
            body = "most-open " + std::to_string(mostOpen) + " big-bytes " +
                   std::to_string(bigBytes) + "\n";
            mostOpen = open.size(), bigBytes = 0;
        } else if (path.rfind("/pic/", 0) == 0 && std::atol(path.c_str() + 5) < count) {
            body = picture, late = true;
        } else {
            type = "text/html", body = "<!DOCTYPE html><title>404</title>";
        }
        const std::string status =
            body.starts_with("<!DOCTYPE html><title>404") ? "404 Not Found" : "200 OK";
        std::string text = "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        if (!head)
            text += body;
        if (late) {
            due.push_back({Clock::now() + std::chrono::milliseconds(delayMs), fd, open[fd].serial,
                           std::move(text)});
            return;
        }
        Connection& c = open[fd];
        c.out += text;
        if (isBig && !head) {
            const int small = 4096;
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
            c.bigLeft = body.size();
        }
        flush(fd);
    };

    for (epoll_event events[256];;) {
        int wait = -1;
        if (!due.empty())
            wait = static_cast<int>(std::max<long>(
                0, std::chrono::ceil<std::chrono::milliseconds>(due.front().when - Clock::now())
                       .count()));
        const int ready = ::epoll_wait(poller, events, 256, wait);
        for (int i = 0; i < ready; ++i) {
            const int fd = events[i].data.fd;
            if (fd == listener) {
                for (int client;
                     (client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK)) >= 0;) {
                    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                    epoll_event in{EPOLLIN, {.fd = client}};
                    ::epoll_ctl(poller, EPOLL_CTL_ADD, client, &in);
                    open[client].serial = ++serials;
                    mostOpen = std::max(mostOpen, open.size());
                }
                continue;
            }
            if (!open.count(fd))
                continue;
            if (events[i].events & EPOLLOUT)
                flush(fd);
            if (!open.count(fd) || !(events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)))
                continue;
            char buffer[16384];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                if (n == 0 || errno != EAGAIN)
                    close(fd);
                continue;
            }
            std::string& in = open[fd].in;
            in.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = in.find("\r\n\r\n")) != std::string::npos;) {
                const std::string request = in.substr(0, end);
                in.erase(0, end + 4);
                answer(fd, request);
                if (!open.count(fd))
                    break;
            }
        }
        // Answers whose time has come, to connections still open.
        while (!due.empty() && due.front().when <= Clock::now()) {
            Due d = std::move(due.front());
            due.pop_front();
            if (open.count(d.fd) && open[d.fd].serial == d.serial) {
                open[d.fd].out += d.answer;
                flush(d.fd);
            }
        }
    }
}
