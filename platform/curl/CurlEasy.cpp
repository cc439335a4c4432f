#include "platform/curl/CurlEasy.h"

#include "platform/curl/FailureReason.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace pixquarry {

namespace {

constexpr long kMaxRedirects = 10;
constexpr char kProtocols[] = "http,https";

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
    if (!referer.empty())
        curl_easy_setopt(h, CURLOPT_REFERER, referer.c_str());
    // Time-outs must not raise SIGALRM in a threaded program.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.totalTimeout.count()));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, m_limits.stallBytesPerSecond);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_limits.stallTime.count()));
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlEasy::OnWrite);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
}

CURL* CurlEasy::Begin(const std::string& url, const std::string& referer, const Sink& sink) {
    SetOptions(url, referer);
    m_errorBuffer[0] = '\0';
    m_sink = &sink;
    m_received = 0;
    m_abortReason.clear();
    m_retried = false;
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
    curl_easy_setopt(m_handle.get(), CURLOPT_FRESH_CONNECT, 1L);
    return true;
}

CurlOutcome CurlEasy::Finish(CURLcode code) {
    m_sink = nullptr;

    CurlOutcome outcome;
    outcome.status = Status();
    outcome.transferred = code == CURLE_OK;
    outcome.finalUrl = EffectiveUrl();
    char* type = nullptr;
    if (curl_easy_getinfo(m_handle.get(), CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        outcome.contentType = type;
    if (code != CURLE_OK)
        outcome.detail = m_errorBuffer[0] != '\0' ? m_errorBuffer : curl_easy_strerror(code);
    if (!m_abortReason.empty())
        outcome.error = std::move(m_abortReason);
    else if (code != CURLE_OK)
        outcome.error = FailureReason(code, m_handle.get(), m_limits);
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

size_t CurlEasy::OnWrite(char* data, size_t size, size_t count, void* self) {
    auto& easy = *static_cast<CurlEasy*>(self);
    const size_t bytes = size * count;
    easy.m_received += static_cast<std::int64_t>(bytes);
    if (easy.m_limits.maxBytes > 0 && easy.m_received > easy.m_limits.maxBytes) {
        easy.m_abortReason = "响应超过 " + std::to_string(easy.m_limits.maxBytes) + " 字节";
        return 0;
    }
    // Nothing may unwind through libcurl.
    try {
        if (!(*easy.m_sink)(std::string_view(data, bytes), easy.Status(), easy.m_abortReason))
            return 0;
    } catch (const std::exception& e) {
        easy.m_abortReason = e.what();
        return 0;
    }
    return bytes;
}

}  // namespace pixquarry
