#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Version.h"
#include "platform/curl/TransferLimits.h"

namespace pixquarry {

inline constexpr char kUserAgent[] = "Pixquarry/" PIXQUARRY_VERSION_TEXT;

struct CurlOutcome {
    // A whole answer arrived that is no redirect left unfollowed and not
    // empty by its status; an error status (>= 400) with its body counts.
    bool transferred = false;
    long status = 0;          // the last response's status, 0 when none arrived
    std::string finalUrl;     // where the transfer ended up after redirects
    std::string contentType;  // the last response's Content-Type, empty when none
    std::string error;        // why not, in the user's words; empty when transferred
    std::string detail;       // libcurl's own words for it
    bool tooLarge = false;    // the body went past the limit's size
    bool stopped = false;     // the caller had enough before the body's end
};

// What one transfer asks beyond Pixquarry's usual GET.
struct TransferHooks {
    std::vector<std::string> headers;  // request headers, "Name: value"
    // The body as the server keeps it, no content coding asked for: a byte
    // range of a coded body is no range of the file.
    bool identity = false;
    // Each header line of each answer, status lines included, with the
    // status of the answer it belongs to; false ends the transfer there, as
    // a sink's stop does.
    std::function<bool(std::string_view line, long status)> header;
};

// One easy handle with the options every Pixquarry transfer shares: http and
// https only (redirects too), the User-Agent, every content coding libcurl
// decodes, the time-outs, the stall guard and the size caps.
// The handle lives as long as the object so kept-alive connections are reused.
class CurlEasy final {
public:
    // Takes a body chunk of the response with `status`; returns false with
    // a reason to abort the transfer, or false with no reason to stop it
    // there as a whole one (CurlOutcome::stopped).
    using Sink = std::function<bool(std::string_view chunk, long status, std::string& error)>;

    explicit CurlEasy(TransferLimits limits);
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;
    CurlEasy(CurlEasy&&) = delete;
    CurlEasy& operator=(CurlEasy&&) = delete;
    ~CurlEasy();

    // A transfer in two halves, for a multi handle to run it in between:
    // Begin() sets the handle up (an empty referer sends none), Finish()
    // takes libcurl's result. The sink must outlive the transfer.
    CURL* Begin(const std::string& url, const std::string& referer, const Sink& sink,
                const TransferHooks& hooks = {});
    CurlOutcome Finish(CURLcode code);
    // Between the two: a connection kept from an earlier transfer can still
    // hold bytes a lying server sent past its Content-Length. When such a
    // connection gave an answer that is no HTTP at all, nothing of it reached
    // the sink and the transfer has not been run again yet, the handle is set
    // up for a new connection and this returns true: add it again.
    bool RetryOnNewConnection(CURLcode code);

    // The status of the response being received.
    long Status() const;
    // Where the last transfer ended up after redirects.
    std::string EffectiveUrl() const;

private:
    struct HandleCleanup {
        void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    };

    static size_t OnWrite(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    // Fewer than stallBytes in the last stallTime, once the request is out.
    bool Stalled();
    void Restart();
    void SetOptions(const std::string& url, const std::string& referer);
    struct ListCleanup {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };

    TransferLimits m_limits;
    std::unique_ptr<CURL, HandleCleanup> m_handle;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    const Sink* m_sink = nullptr;
    const TransferHooks* m_hooks = nullptr;
    std::unique_ptr<curl_slist, ListCleanup> m_headers;
    std::int64_t m_received = 0;
    std::int64_t m_unusedBytes = 0;  // body of an answer that is not saved
    bool m_headersEnded = false;     // the last answer's blank line arrived
    // (when, body bytes so far), one every 100 ms or more, back to stallTime ago
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::int64_t>> m_samples;
    std::string m_abortReason;
    bool m_tooLarge = false;
    bool m_stopped = false;
    bool m_retried = false;
};

}  // namespace pixquarry
