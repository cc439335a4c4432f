#pragma once

#include "platform/HttpClient.h"
#include "platform/curl/CurlEasy.h"
#include "platform/curl/TransferLimits.h"

namespace pixquarry {

// What the update check allows one request: a small document, quickly.
TransferLimits UpdateCheckLimits();
// What a stylesheet fetched by address may take: a download's time-outs, 256 MiB.
TransferLimits SourceFetchLimits();

// Plain GETs into memory through one reused libcurl handle.
class CurlHttpClient final : public HttpClient {
public:
    explicit CurlHttpClient(TransferLimits limits);

    HttpResponse Get(const std::string& url) override;

private:
    CurlEasy m_easy;
};

}  // namespace pixquarry
