#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"
#include "web/PublisherSite.h"

namespace pixquarry::testing {

// The real transfer engine on a poll loop, and the seams the window's
// handlers reach it through.
struct RealTransfers {
    explicit RealTransfers(TransferLimits downloads = {}) : downloader(engine, downloads) {}

    PollEventLoop loop;
    TransferEngine engine{loop};
    EngineDownloader downloader;
    EngineHttpClient http{engine, UpdateCheckLimits()};
    EngineHttpClient pages{engine, SourceFetchLimits()};
};

// Sends what is meant for the publisher's site to a stand-in on 127.0.0.1.
class StandInClient final : public HttpClient {
public:
    StandInClient(std::string origin, TransferEngine& engine, TransferLimits limits)
        : m_origin(std::move(origin)), m_real(engine, limits) {}
    HttpResponse Get(const std::string& url) override {
        asked.push_back(url);
        std::string local = url;
        if (local.rfind(kPublisherHome, 0) == 0)
            local = m_origin + local.substr(kPublisherHome.size());
        return m_real.Get(local);
    }
    std::vector<std::string> asked;

private:
    std::string m_origin;
    EngineHttpClient m_real;
};

}  // namespace pixquarry::testing
