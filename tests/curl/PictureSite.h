#pragma once

// The server both curl test files talk to: pictures, error pages, redirects
// and the ways a transfer can go wrong.

#include <atomic>
#include <chrono>
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
        routes.Get("/broken",
                   [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
        routes.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/pic.png");
        });
        routes.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/passwd");
        });
        routes.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/loop");
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
        // /huge/N: N MiB.
        routes.Get(R"(/huge/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1]) << 20, 'h'), "image/png");
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
    }
    ~PictureSite() { m_closing = true; }

    // Larger than one libcurl buffer, every byte value, not a text.
    static std::string Picture() {
        std::string bytes(300000, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
        return bytes;
    }

    std::string Url(const std::string& path) const { return m_server.Url(path); }
    std::string Origin() const { return m_server.Origin(); }
    int Requests() const { return m_requests; }

private:
    std::atomic<bool> m_closing{false};
    std::atomic<int> m_requests{0};
    TestHttpServer m_server;
};

}  // namespace pixquarry::testing
