#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Downloader.h"
#include "platform/curl/TransferLimits.h"

namespace pixquarry {

// Downloads a list of links with up to maxTransfers transfers at once on one
// libcurl multi handle, whose connections are kept for the object's life.
// Each link gets what CurlDownloader would give it. Not for use from two
// threads at once.
class CurlParallelDownloader final {
public:
    // Told of each request as it ends, in the order they end.
    using Finished = std::function<void(std::size_t index, const DownloadResult& result)>;
    // Asked at least every 100 ms with the body bytes received so far;
    // false stops the run.
    using Tick = std::function<bool(std::int64_t bytes)>;

    CurlParallelDownloader(TransferLimits limits, int maxTransfers);
    CurlParallelDownloader(const CurlParallelDownloader&) = delete;
    CurlParallelDownloader& operator=(const CurlParallelDownloader&) = delete;
    CurlParallelDownloader(CurlParallelDownloader&&) = delete;
    CurlParallelDownloader& operator=(CurlParallelDownloader&&) = delete;
    ~CurlParallelDownloader();

    // When two requests name the same file, the later one in the list wins,
    // whichever ends first, as if they had run one after the other. False
    // when tick stopped the run: transfers still going leave no file behind.
    bool Run(const std::vector<DownloadRequest>& requests, const Finished& finished,
             const Tick& tick = {});

private:
    struct MultiCleanup {
        void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
    };
    class Slot;

    TransferLimits m_limits;
    std::int64_t m_received = 0;
    // Declared before the slots: easy handles go first, then the multi handle.
    std::unique_ptr<CURLM, MultiCleanup> m_multi;
    std::vector<std::unique_ptr<Slot>> m_slots;
};

}  // namespace pixquarry
