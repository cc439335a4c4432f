#include "platform/curl/FailureReason.h"

#include "platform/HttpClient.h"
#include "platform/curl/CurlUrl.h"

namespace pixquarry {

namespace {

constexpr char kMalformed[] = "服务器的回答不合规范";

struct Place {
    std::string scheme;
    std::string host;
    std::string port;
};

// The host and port the transfer was talking to when it failed.
Place PlaceOf(CURL* handle) {
    char* address = nullptr;
    curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &address);
    const CurlUrl url(curl_url());
    if (address == nullptr || !url ||
        curl_url_set(url.get(), CURLUPART_URL, address, 0) != CURLUE_OK)
        return {};
    char* port = nullptr;
    Place place{UrlPart(url.get(), CURLUPART_SCHEME), UrlPart(url.get(), CURLUPART_HOST), {}};
    if (curl_url_get(url.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        place.port = port;
        curl_free(port);
    }
    return place;
}

std::string TimeoutReason(CURL* handle, const TransferLimits& limits) {
    // A connection kept from an earlier transfer took no time to make: only
    // a request never sent means the connection was never made.
    curl_off_t connected = 0;
    long requestBytes = 0;
    curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connected);
    curl_easy_getinfo(handle, CURLINFO_REQUEST_SIZE, &requestBytes);
    if (connected == 0 && requestBytes == 0)
        return "连接超时";
    curl_off_t total = 0;
    curl_easy_getinfo(handle, CURLINFO_TOTAL_TIME_T, &total);
    const auto limit = std::chrono::duration_cast<std::chrono::microseconds>(limits.totalTimeout);
    if (limit.count() > 0 && total >= limit.count() * 9 / 10)
        return "超时";
    return "服务器长时间没有发送数据";
}

}  // namespace

std::string FailureReason(CURLcode code, CURL* handle, const TransferLimits& limits,
                          bool headersEnded) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "无法解析主机名“" + PlaceOf(handle).host + "”";
        case CURLE_COULDNT_CONNECT: {
            const Place place = PlaceOf(handle);
            return "无法连接到服务器 " + place.host + ":" + place.port;
        }
        case CURLE_OPERATION_TIMEDOUT:
            return TimeoutReason(handle, limits);
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return "传输中途中断";
        case CURLE_TOO_MANY_REDIRECTS:
            return "重定向次数过多";
        case CURLE_UNSUPPORTED_PROTOCOL: {
            // libcurl's words for a redirect elsewhere, and for an answer
            // without an HTTP status line (HTTP/0.9, junk).
            const std::string scheme = PlaceOf(handle).scheme;
            const bool allowed = scheme == "https" || (scheme == "http" && !limits.httpsOnly);
            return allowed ? kMalformed : "不支持的协议";
        }
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
            return kMalformed;
        case CURLE_URL_MALFORMAT:
            return "不是完整的网址";
        case CURLE_PEER_FAILED_VERIFICATION:
            return "服务器的证书无法验证";
        case CURLE_SSL_CONNECT_ERROR:
            return "无法建立安全连接";
        case CURLE_OUT_OF_MEMORY:
            // libcurl refuses a header line over 100 KiB that way.
            return headersEnded ? "内存不足" : "服务器的回答过大或不合规范";
        default:
            return "网络错误（" + std::to_string(static_cast<int>(code)) + "）";
    }
}

std::string AnswerReason(long status) {
    if (status >= 400)
        return HttpStatusReason(status);
    if (status >= 300 && status != 304)
        return "服务器要求跳转但没有给出新地址";
    if (status < 200 || status == 204 || status == 205 || status == 304)
        return "服务器没有返回内容";
    return {};
}

}  // namespace pixquarry
