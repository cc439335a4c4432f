#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/Downloader.h"
#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "platform/curl/CurlEasy.h"
#include "platform/curl/TransferLimits.h"

namespace pixquarry {

// The response a finished GET gives, its body already received.
HttpResponse ResponseFrom(const CurlOutcome& outcome, std::string body);

// What the update check allows one request: a small document, quickly.
TransferLimits UpdateCheckLimits();
// What a web source, page or sheet may take: 256 MiB, 120 s in all, and
// never fewer than 1,024 bytes in 20 s.
TransferLimits SourceFetchLimits();

// Every transfer of the program, on one libcurl multi handle driven by an
// event loop: libcurl says which sockets to watch and when to come back
// (curl_multi_socket_action), the loop calls back when they are ready. In
// the window that loop is Qt's, so no transfer ever holds up a repaint or a
// key. Connections and name lookups are shared by all transfers.
class TransferEngine final {
public:
    using Sink = CurlEasy::Sink;
    using Done = std::function<void(const CurlOutcome& outcome)>;
    // Told of each request's result in list order.
    using Finished = std::function<void(std::size_t index, const DownloadResult& result)>;
    // Asked at least every 100 ms with the body bytes received so far;
    // false stops the run.
    using Tick = std::function<bool(std::int64_t bytes)>;

    explicit TransferEngine(EventLoop& loop);
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;
    // Transfers still going are dropped unfinished.
    ~TransferEngine();

    // Starts a GET; `done` runs from the loop when it is over, never from
    // inside Start. An empty referer sends none. Returns an id for Cancel.
    std::uint64_t Start(const std::string& url, const TransferLimits& limits,
                        const std::string& referer, Sink sink, Done done);
    // Drops a transfer at once; its `done` is not called.
    void Cancel(std::uint64_t id);

    // The whole body in memory. Runs the loop until it has arrived.
    HttpResponse Fetch(const std::string& url, const TransferLimits& limits);
    // Downloads into files with up to `jobs` transfers at once, running the
    // loop until all are over. The first run into a folder removes the part
    // files killed runs left there. False when the tick or the loop stopped the
    // run: transfers still going leave no file behind.
    bool Run(const std::vector<DownloadRequest>& requests, int jobs, const TransferLimits& limits,
             const Finished& finished, const Tick& tick = {});

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
    std::unordered_set<std::string> m_swept;  // folders cleared of orphaned part files
    // Last: easy handles leave the multi handle before it goes.
    std::unique_ptr<CURLM, MultiCleanup> m_multi;
};

// The core's seams on the engine: each call waits for its transfer while
// the loop runs.
class EngineHttpClient final : public HttpClient {
public:
    EngineHttpClient(TransferEngine& engine, TransferLimits limits);
    ~EngineHttpClient() override;
    HttpResponse Get(const std::string& url) override { return m_engine.Fetch(url, m_limits); }
    // Begun requests run side by side on the engine.
    void Begin(const std::string& url, std::int64_t maxBytes, Answer answer) override;
    bool Wait(const std::function<bool()>& done) override;
    std::optional<std::string> Resolve(const std::string& base,
                                       std::string_view reference) const override;

private:
    struct Pending;
    TransferEngine& m_engine;
    TransferLimits m_limits;
    std::unordered_map<std::uint64_t, std::unique_ptr<Pending>> m_pending;
};

class EngineDownloader final : public Downloader {
public:
    explicit EngineDownloader(TransferEngine& engine, TransferLimits limits = {})
        : m_engine(engine), m_limits(limits) {}
    DownloadResult Download(const DownloadRequest& request) override;

private:
    TransferEngine& m_engine;
    TransferLimits m_limits;
};

}  // namespace pixquarry
