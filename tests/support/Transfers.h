#pragma once

#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"

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

}  // namespace pixquarry::testing
