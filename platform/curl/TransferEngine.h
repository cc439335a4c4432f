#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "platform/curl/CurlEasy.h"
#include "platform/curl/TransferLimits.h"

namespace pixquarry {

// The response a finished GET gives, its body already received.
HttpResponse ResponseFrom(const CurlOutcome& outcome, std::string body);

// Every transfer of the program, on one libcurl multi handle driven by an
// event loop: libcurl says which sockets to watch and when to come back
// (curl_multi_socket_action), the loop calls back when they are ready. In
// the window that loop is Qt's, so no transfer ever holds up a repaint or a
// key, and nothing waits for a transfer: its end runs a callback. Connections
// and name lookups are shared by all transfers.
class TransferEngine final {
public:
    using Sink = CurlEasy::Sink;
    using Done = std::function<void(const CurlOutcome& outcome)>;

    explicit TransferEngine(EventLoop& loop);
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;
    // Transfers still going are dropped unfinished.
    ~TransferEngine();

    // Starts a GET; `done` runs from the loop when it is over, never from
    // inside Start. An empty referer sends none; `hooks` add request headers
    // and a look at the answers' headers. Returns an id for Cancel.
    std::uint64_t Start(const std::string& url, const TransferLimits& limits,
                        const std::string& referer, Sink sink, Done done, TransferHooks hooks = {});
    // Drops a transfer at once; its `done` is not called.
    void Cancel(std::uint64_t id);

    // At most `most` connections open at once, idle ones kept for later
    // transfers included; transfers past it wait for a connection.
    void LimitConnections(long most);

    EventLoop& Loop() { return m_loop; }
    // Trusts the certificates in `file` instead of the system's: for tests
    // against a server of their own on 127.0.0.1.
    void TrustOnly(std::string file) { m_trusted = std::move(file); }

private:
    struct Job;
    struct MultiCleanup {
        void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
    };

    static int OnSocket(CURL* easy, curl_socket_t fd, int what, void* self, void* socketData);
    static int OnTimer(CURLM* multi, long milliseconds, void* self);
    void Act(curl_socket_t fd, int flags);
    void CollectEnded();

    EventLoop& m_loop;
    std::unordered_map<std::uint64_t, std::unique_ptr<Job>> m_jobs;
    std::uint64_t m_lastId = 0;
    int m_timer = 0;
    std::string m_trusted;
    // Last: easy handles leave the multi handle before it goes.
    std::unique_ptr<CURLM, MultiCleanup> m_multi;
};

}  // namespace pixquarry
