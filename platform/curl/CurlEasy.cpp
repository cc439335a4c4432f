#include "platform/curl/CurlEasy.h"

#include "platform/curl/FailureReason.h"

#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

namespace pixquarry {

namespace {

constexpr long kMaxRedirects = 10;
constexpr char kProtocols[] = "http,https";
// How much of an answer that is not saved (an error page, a redirect left
// unfollowed) is read: enough to keep the connection for the next transfer.
constexpr std::int64_t kMaxUnusedBody = 64 * 1024;
constexpr std::chrono::milliseconds kSampleGap{100};

void InitOnce() {
    // Not thread-safe in libcurl itself, so it happens once, before any handle.
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (init != CURLE_OK)
        throw std::runtime_error(curl_easy_strerror(init));
}

}  // namespace

CurlEasy::CurlEasy(TransferLimits limits) : m_limits(limits) {
    InitOnce();
    m_handle.reset(curl_easy_init());
    if (!m_handle)
        throw std::runtime_error("curl_easy_init failed");
}

CurlEasy::~CurlEasy() = default;

void CurlEasy::SetOptions(const std::string& url, const std::string& referer) {
    CURL* h = m_handle.get();
    // Reset drops the options but keeps the connection cache.
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    const char* protocols = m_limits.httpsOnly ? "https" : kProtocols;
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    // Every coding libcurl can decode is asked for and decoded, also when a
    // server sends one unasked: the sinks and the size caps see what a
    // browser would show.
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    if (!referer.empty())
        curl_easy_setopt(h, CURLOPT_REFERER, referer.c_str());
    // Time-outs must not raise SIGALRM in a threaded program.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.totalTimeout.count()));
    // libcurl's own check of a byte a second mostly makes it call
    // OnProgress at least every second, where the stall guard is.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_limits.stallTime.count()));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CurlEasy::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CurlEasy::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlEasy::OnWrite);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
}

CURL* CurlEasy::Begin(const std::string& url, const std::string& referer, const Sink& sink,
                      const TransferHooks& hooks) {
    SetOptions(url, referer);
    m_headers.reset();
    for (const std::string& header : hooks.headers) {
        curl_slist* list = curl_slist_append(m_headers.get(), header.c_str());
        if (list == nullptr)
            throw std::bad_alloc();
        m_headers.release();
        m_headers.reset(list);
    }
    curl_easy_setopt(m_handle.get(), CURLOPT_HTTPHEADER, m_headers.get());
    if (hooks.identity)
        curl_easy_setopt(m_handle.get(), CURLOPT_ACCEPT_ENCODING, "identity");
    m_errorBuffer[0] = '\0';
    m_sink = &sink;
    m_hooks = &hooks;
    m_abortReason.clear();
    m_tooLarge = false;
    m_stopped = false;
    m_retried = false;
    Restart();
    curl_easy_setopt(m_handle.get(), CURLOPT_FRESH_CONNECT, 0L);
    return m_handle.get();
}

bool CurlEasy::RetryOnNewConnection(CURLcode code) {
    if (m_retried || m_received > 0 ||
        (code != CURLE_UNSUPPORTED_PROTOCOL && code != CURLE_WEIRD_SERVER_REPLY))
        return false;
    long connects = 0;
    long status = 0;
    curl_easy_getinfo(m_handle.get(), CURLINFO_NUM_CONNECTS, &connects);
    curl_easy_getinfo(m_handle.get(), CURLINFO_RESPONSE_CODE, &status);
    if (connects != 0 || status != 0)
        return false;
    m_retried = true;
    m_errorBuffer[0] = '\0';
    Restart();
    curl_easy_setopt(m_handle.get(), CURLOPT_FRESH_CONNECT, 1L);
    return true;
}

void CurlEasy::Restart() {
    m_received = 0;
    m_unusedBytes = 0;
    m_headersEnded = false;
    m_samples.clear();
}

CurlOutcome CurlEasy::Finish(CURLcode code) {
    m_sink = nullptr;
    m_hooks = nullptr;

    CurlOutcome outcome;
    outcome.status = Status();
    outcome.finalUrl = EffectiveUrl();
    char* type = nullptr;
    if (curl_easy_getinfo(m_handle.get(), CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        outcome.contentType = type;
    if (code != CURLE_OK)
        outcome.detail = m_errorBuffer[0] != '\0' ? m_errorBuffer : curl_easy_strerror(code);
    outcome.tooLarge = m_tooLarge;
    outcome.stopped = m_stopped && code == CURLE_WRITE_ERROR;
    if (outcome.stopped)
        outcome.detail.clear();
    else if (!m_abortReason.empty())
        outcome.error = std::move(m_abortReason);
    else if (code != CURLE_OK)
        outcome.error = FailureReason(code, m_handle.get(), m_limits, m_headersEnded);
    else if (!m_headersEnded)  // the connection closed inside the headers
        outcome.error = "传输中途中断";
    else if (outcome.status < 400)  // an error status is an answer, for the caller to read
        outcome.error = AnswerReason(outcome.status);
    outcome.transferred = outcome.error.empty();
    return outcome;
}

long CurlEasy::Status() const {
    long status = 0;
    curl_easy_getinfo(m_handle.get(), CURLINFO_RESPONSE_CODE, &status);
    return status;
}

std::string CurlEasy::EffectiveUrl() const {
    char* url = nullptr;
    curl_easy_getinfo(m_handle.get(), CURLINFO_EFFECTIVE_URL, &url);
    return url != nullptr ? url : "";
}

size_t CurlEasy::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto& easy = *static_cast<CurlEasy*>(self);
    const std::string_view line(data, size * count);
    // Each answer (a redirect, a 100 Continue, the last one) begins with its
    // status line and ends with a blank line.
    if (line.rfind("HTTP/", 0) == 0)
        easy.m_headersEnded = false;
    else if (line == "\r\n" || line == "\n")
        easy.m_headersEnded = true;
    if (easy.m_hooks != nullptr && easy.m_hooks->header) {
        try {  // nothing may unwind through libcurl
            if (!easy.m_hooks->header(line, easy.Status())) {
                easy.m_stopped = true;
                return 0;
            }
        } catch (const std::exception& e) {
            easy.m_abortReason = e.what();
            return 0;
        }
    }
    return size * count;
}

int CurlEasy::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& easy = *static_cast<CurlEasy*>(self);
    try {
        if (!easy.Stalled())
            return 0;
        easy.m_abortReason = "服务器长时间没有发送数据";
    } catch (const std::exception& e) {  // nothing may unwind through libcurl
        easy.m_abortReason = e.what();
    }
    return 1;
}

bool CurlEasy::Stalled() {
    long sent = 0;
    curl_easy_getinfo(m_handle.get(), CURLINFO_REQUEST_SIZE, &sent);
    // Until the request is out, the connect time-out applies.
    if (m_limits.stallTime.count() <= 0 || sent == 0)
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (m_samples.empty() || now - m_samples.back().first >= kSampleGap)
        m_samples.emplace_back(now, m_received);
    // The window starts at the latest sample at least stallTime old.
    const auto start = now - m_limits.stallTime;
    while (m_samples.size() > 1 && m_samples[1].first <= start)
        m_samples.pop_front();
    return m_samples.front().first <= start &&
           m_received - m_samples.front().second < m_limits.stallBytes;
}

size_t CurlEasy::OnWrite(char* data, size_t size, size_t count, void* self) {
    auto& easy = *static_cast<CurlEasy*>(self);
    const size_t bytes = size * count;
    easy.m_received += static_cast<std::int64_t>(bytes);
    const long status = easy.Status();
    if (status / 100 != 2 &&
        (easy.m_unusedBytes += static_cast<std::int64_t>(bytes)) > kMaxUnusedBody) {
        easy.m_abortReason = AnswerReason(status);
        return 0;
    }
    if (easy.m_limits.maxBytes > 0 && easy.m_received > easy.m_limits.maxBytes) {
        easy.m_abortReason = "响应超过 " + std::to_string(easy.m_limits.maxBytes) + " 字节";
        easy.m_tooLarge = true;
        return 0;
    }
    // Nothing may unwind through libcurl.
    try {
        if (!(*easy.m_sink)(std::string_view(data, bytes), status, easy.m_abortReason)) {
            easy.m_stopped = easy.m_abortReason.empty();
            return 0;
        }
    } catch (const std::exception& e) {
        easy.m_abortReason = e.what();
        return 0;
    }
    return bytes;
}

}  // namespace pixquarry
