#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/curl/EngineDownloads.h"
#include "platform/curl/EngineHttpClient.h"
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
    EngineDownloads downloader;
    EngineHttpClient http{engine, UpdateCheckLimits()};
    EngineHttpClient pages{engine, SourceFetchLimits()};
};

// A real client that notes every address it is asked for.
class RecordingClient final : public HttpClient {
public:
    RecordingClient(TransferEngine& engine, TransferLimits limits) : m_real(engine, limits) {}
    std::uint64_t Get(const std::string& url, Answer answer, std::int64_t maxBytes) override {
        asked.push_back(url);
        return m_real.Get(url, std::move(answer), maxBytes);
    }
    void Cancel(std::uint64_t id) override { m_real.Cancel(id); }
    std::vector<std::string> asked;

private:
    EngineHttpClient m_real;
};

}  // namespace pixquarry::testing
