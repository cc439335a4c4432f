#pragma once

// A real HTTP server on 127.0.0.1 for the tests: register routes, Start(),
// and it serves from a thread of its own until it is destroyed.

#include <httplib.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace pixquarry::testing {

class TestHttpServer final {
public:
    TestHttpServer() : m_server(std::make_unique<httplib::Server>()) {}
    // Over https, with this certificate and key (PEM files).
    TestHttpServer(const std::string& certificate, const std::string& key)
        : m_server(std::make_unique<httplib::SSLServer>(certificate.c_str(), key.c_str())),
          m_scheme("https") {}
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;
    ~TestHttpServer() { Stop(); }

    // Routes go in before Start().
    httplib::Server& Routes() { return *m_server; }

    void Start() {
        // Without it every small answer waits on Nagle's delay.
        m_server->set_tcp_nodelay(true);
        // An idle kept-alive client holds up Stop() no longer than this.
        m_server->set_keep_alive_timeout(1);
        m_port = m_server->bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            throw std::runtime_error("the test server found no free port");
        m_thread = std::thread([this] { m_server->listen_after_bind(); });
        while (!m_server->is_running())
            std::this_thread::yield();
    }
    void Stop() {
        if (!m_thread.joinable())
            return;
        m_server->stop();
        m_thread.join();
    }

    int Port() const { return m_port; }
    std::string Origin() const { return m_scheme + "://127.0.0.1:" + std::to_string(m_port); }
    std::string Url(const std::string& path) const { return Origin() + path; }

private:
    std::unique_ptr<httplib::Server> m_server;
    std::string m_scheme = "http";
    std::thread m_thread;
    int m_port = 0;
};

}  // namespace pixquarry::testing
