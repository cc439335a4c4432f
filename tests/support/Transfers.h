#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "extract/PageHarvest.h"
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

// One download or GET with the loop run until it is over, for tests that
// look at a single transfer.
inline DownloadResult DownloadNow(PollEventLoop& loop, Downloader& downloads,
                                  const DownloadRequest& request) {
    std::optional<DownloadResult> result;
    downloads.Download(request, [&result](const DownloadResult& r) { result = r; });
    loop.RunUntil([&result] { return result.has_value(); });
    return result.value_or(DownloadResult{false, 0, "never told", {}});
}

inline HttpResponse GetNow(PollEventLoop& loop, HttpClient& client, const std::string& url,
                           std::int64_t maxBytes = 0) {
    std::optional<HttpResponse> response;
    client.Get(
        url, [&response](HttpResponse r) { response = std::move(r); }, maxBytes);
    loop.RunUntil([&response] { return response.has_value(); });
    return response.value_or(HttpResponse{});
}

// A followed page's harvest with the loop run until it is over.
inline Harvest HarvestPageNow(PollEventLoop& loop, HttpClient& client, const std::string& address,
                              std::string bytes, std::string_view contentType,
                              const PageLimits& limits = {}) {
    std::optional<Harvest> harvest;
    PageHarvest page(client, limits);
    page.Start(address, std::move(bytes), contentType,
               [&harvest](Harvest h) { harvest = std::move(h); });
    loop.RunUntil([&harvest] { return harvest.has_value(); });
    return harvest.value_or(Harvest{});
}

}  // namespace pixquarry::testing
