#include "platform/curl/CurlHttpClient.h"

#include <chrono>
#include <string>
#include <utility>

namespace pixquarry {

TransferLimits UpdateCheckLimits() {
    TransferLimits limits;
    limits.connectTimeout = std::chrono::seconds(10);
    limits.totalTimeout = std::chrono::seconds(15);
    limits.maxBytes = 16 * 1024 * 1024;
    return limits;
}

TransferLimits SourceFetchLimits() {
    TransferLimits limits;
    limits.maxBytes = std::int64_t{256} * 1024 * 1024;
    return limits;
}

CurlHttpClient::CurlHttpClient(TransferLimits limits) : m_easy(limits) {}

HttpResponse CurlHttpClient::Get(const std::string& url) {
    HttpResponse response;
    CurlOutcome outcome = m_easy.Perform(url, {}, [&](std::string_view chunk, std::string&) {
        response.body.append(chunk);
        return true;
    });
    response.ok = outcome.transferred;
    if (!response.ok)
        response.body.clear();
    response.status = outcome.status;
    response.finalUrl = m_easy.EffectiveUrl();
    response.error = std::move(outcome.error);
    return response;
}

}  // namespace pixquarry
