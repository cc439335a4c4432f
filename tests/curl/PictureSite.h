#pragma once

// The server both curl test files talk to: pictures, error pages, redirects
// and the ways a transfer can go wrong; beside it a raw one for answers no
// HTTP library would give.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "tests/support/TestHttpServer.h"

namespace pixquarry::testing {

class PictureSite final {
public:
    PictureSite() {
        auto& routes = m_server.Routes();
        // A client kept alive must not hold up Stop() for the default 5 s.
        routes.set_keep_alive_timeout(1);
        routes.set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
            ++m_requests;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        routes.Get("/pic.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(Picture(), "image/png");
        });
        routes.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        // /hop/N takes N redirects to reach its body.
        routes.Get(R"(/hop/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            const int left = std::stoi(req.matches[1].str());
            if (left > 0)
                res.set_redirect("/hop/" + std::to_string(left - 1));
            else
                res.set_content("end", "image/png");
        });
        routes.Get("/show.php", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("id=" + req.get_param_value("id"), "image/gif");
        });
        // /status/N answers with status N and the body "status N".
        routes.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            res.set_content("status " + req.matches[1].str(), "image/png");
        });
        routes.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(
                req.get_header_value("Referer") + "|" + req.get_header_value("User-Agent"),
                "text/plain");
        });
        routes.Get("/port", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::to_string(req.remote_port), "text/plain");
        });
        // Promises 1000 bytes, sends 100, hangs up.
        routes.Get("/cut", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000, "image/png",
                                     [](size_t, size_t, httplib::DataSink& sink) {
                                         sink.write(std::string(100, 'x').data(), 100);
                                         return false;
                                     });
        });
        // Promises 100 bytes and sends them, then 900 more a moment later,
        // when the client may well have taken the connection back for reuse.
        routes.Get("/long", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(100, "image/png", [](size_t, size_t, httplib::DataSink& sink) {
                const bool sent = sink.write(std::string(100, 'L').data(), 100);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                return sent && sink.write(std::string(900, 'X').data(), 900);
            });
        });
        // Coded although nobody asked for it.
        routes.Get("/gzip.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Encoding", "gzip");
            std::string coded;
            httplib::detail::gzip_compressor().compress(
                Picture().data(), Picture().size(), true,
                [&coded](const char* data, size_t size) { return coded.append(data, size), true; });
            res.set_content(coded, "image/png");
        });
        // /huge/N: N MiB, made as they go out.
        routes.Get(R"(/huge/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            const size_t size = std::stoul(req.matches[1]) << 20;
            res.set_content_provider(
                size, "image/png", [size](size_t at, size_t, httplib::DataSink& sink) {
                    static const std::string block(1 << 20, 'h');  // one for all: no new memory
                    return sink.write(block.data(), std::min(size - at, block.size()));
                });
        });
        // Sends 4 bytes, then nothing until the site goes away.
        routes.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                1000, "image/png", [this](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset == 0)
                        return sink.write("GIF8", 4);
                    for (int i = 0; i < 500 && !m_closing; ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    return false;
                });
        });
        m_server.Start();
        m_raw = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof address;
        ::bind(m_raw, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(m_raw, 8);
        ::getsockname(m_raw, reinterpret_cast<sockaddr*>(&address), &size);
        m_rawOrigin = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        m_rawThread = std::thread([this] { ServeRaw(); });
    }
    ~PictureSite() {
        m_closing = true;
        ::shutdown(m_raw, SHUT_RDWR);
        m_rawThread.join();
        ::close(m_raw);
    }

    // Larger than one libcurl buffer, every byte value, not a text.
    static std::string Picture() {
        std::string bytes(300000, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
        return bytes;
    }

    std::string Url(const std::string& path) const { return m_server.Url(path); }
    std::string RawUrl(const std::string& path) const { return m_rawOrigin + path; }
    std::string Origin() const { return m_server.Origin(); }
    int Requests() const { return m_requests; }

private:
    // Each connection gets the answer its path names, byte for byte, then is
    // closed; /endless-404 goes on for 10 s.
    void ServeRaw() {
        using namespace std::string_literals;
        const std::map<std::string, std::string> answers = {
            {"/cut-header", "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"},
            {"/big-header",
             "HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'b') + "\r\n\r\nbody"},
            {"/length-1", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nbody"},
            {"/nul-location",
             "HTTP/1.1 302 Found\r\nLocation: /a\0b\r\nContent-Length: 0\r\n\r\n"s},
            {"/status-line", "HTTP/1.1 abc\r\nContent-Length: 4\r\n\r\nbody"},
            {"/http09", "<html>no status line</html>"},
            {"/empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"},
            {"/bad-gzip", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\nno gzip"},
            {"/endless-404", "HTTP/1.1 404 Not Found\r\n\r\n"},
            {"/to-file", "HTTP/1.1 302 Found\r\nLocation: file:///etc/passwd\r\n\r\n"}};
        for (int client; (client = ::accept(m_raw, nullptr, nullptr)) >= 0; ::close(client)) {
            std::string request(4096, '\0');
            const ssize_t got = ::recv(client, request.data(), request.size(), 0);
            request.resize(got > 0 ? static_cast<size_t>(got) : 0);
            const size_t path = request.find(' ') + 1;
            const auto found = answers.find(request.substr(path, request.find(' ', path) - path));
            if (found == answers.end())
                continue;
            ::send(client, found->second.data(), found->second.size(), MSG_NOSIGNAL);
            const std::string page(found->first == "/endless-404" ? 1 << 16 : 0, 'e');
            for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                 !page.empty() && std::chrono::steady_clock::now() < end &&
                 ::send(client, page.data(), page.size(), MSG_NOSIGNAL) > 0;) {
            }
        }
    }

    std::atomic<bool> m_closing{false};
    std::atomic<int> m_requests{0};
    TestHttpServer m_server;
    int m_raw = -1;
    std::string m_rawOrigin;
    std::thread m_rawThread;
};

}  // namespace pixquarry::testing
