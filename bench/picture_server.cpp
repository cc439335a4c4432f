// The loopback server the download benchmarks run against: COUNT pictures of
// SIZE bytes at /pic/0.png ... from memory, each answered after DELAY ms, and
// a body of BIG MiB at /big.bin made up on the fly. Keep-alive is on and
// Nagle is off, so the server adds no waits of its own.
//
// Usage: bench_picture_server [--count N] [--size BYTES] [--delay-ms MS]
//                             [--big-mib N] [--threads N]
// The first line out is "listening on http://127.0.0.1:PORT".

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

struct Settings {
    long count = 2000;
    long size = 4096;
    long delayMs = 0;
    long bigMiB = 1024;
    long threads = 32;
};

bool Parse(int argc, char** argv, Settings& settings) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        char* end = nullptr;
        const long value = std::strtol(argv[i + 1], &end, 10);
        if (*end != '\0' || value < 0)
            return false;
        if (name == "--count")
            settings.count = value;
        else if (name == "--size")
            settings.size = value;
        else if (name == "--delay-ms")
            settings.delayMs = value;
        else if (name == "--big-mib")
            settings.bigMiB = value;
        else if (name == "--threads" && value > 0)
            settings.threads = value;
        else
            return false;
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!Parse(argc, argv, settings)) {
        std::fprintf(stderr,
                     "usage: %s [--count N] [--size BYTES] [--delay-ms MS] [--big-mib N] "
                     "[--threads N]\n",
                     argv[0]);
        return 2;
    }

    std::string picture(static_cast<std::size_t>(settings.size), '\0');
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>(i * 7 + i / 256);
    static const std::string kChunk(256 * 1024, 'x');

    httplib::Server server;
    // With a delay each waiting request holds a thread: the pool must not
    // be what limits the clients.
    server.new_task_queue = [&settings] {
        return new httplib::ThreadPool(static_cast<std::size_t>(settings.threads));
    };
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(1000000);
    server.set_keep_alive_timeout(30);

    server.Get(R"(/pic/(\d+)\.png)", [&](const httplib::Request& req, httplib::Response& res) {
        if (std::stol(req.matches[1]) >= settings.count) {
            res.status = 404;
            return;
        }
        if (settings.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(settings.delayMs));
        res.set_content(picture, "image/png");
    });
    server.Get("/big.bin", [&](const httplib::Request&, httplib::Response& res) {
        const std::size_t length = static_cast<std::size_t>(settings.bigMiB) * 1024 * 1024;
        res.set_content_provider(
            length, "application/octet-stream",
            [length](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return sink.write(kChunk.data(), std::min(kChunk.size(), length - offset));
            });
    });

    int listener = -1;
    server.set_socket_options([&listener](socket_t sock) {
        httplib::default_socket_options(sock);
        listener = sock;
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    // The library listens with a backlog of 5: eight clients connecting at
    // once would lose SYNs and wait a second to retry, whoever they are.
    if (port <= 0 || ::listen(listener, SOMAXCONN) != 0) {
        std::fprintf(stderr, "no free port\n");
        return 1;
    }
    std::printf("listening on http://127.0.0.1:%d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
