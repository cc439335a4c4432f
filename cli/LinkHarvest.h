#pragma once

#include <functional>
#include <memory>

#include "cli/CliOptions.h"
#include "extract/Harvest.h"
#include "extract/PageHarvest.h"
#include "platform/curl/EngineDownloads.h"
#include "platform/curl/EngineHttpClient.h"
#include "platform/curl/EngineProber.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"
#include "platform/posix/PosixFileReader.h"

namespace pixquarry {

// The command line's transfers: the engine on a poll loop, SOURCE and its
// stylesheets fetched through it, downloads into files and the checks'
// probes; --timeout replaces their time in all.
struct CliTransfers {
    explicit CliTransfers(const CliOptions& options);
    PosixFileReader files;
    PollEventLoop loop;
    TransferEngine engine{loop};
    EngineHttpClient pages;
    EngineDownloads downloads;
    EngineProber probes;
    std::unique_ptr<PageHarvest> page;  // a followed page, while its sheets come
};

// SOURCE's picture links as the window lists them, or with --resolve each
// resolved against the page's address; a web page's stylesheets are followed
// then. `done` gets the exit status so far, every failure already written to
// stderr, and the harvest, usable when harvest.ok even when one of a page's
// stylesheets failed (status 1). It runs from net.loop for an address.
void HarvestSource(const CliOptions& options, CliTransfers& net,
                   std::function<void(int status, Harvest harvest)> done);

}  // namespace pixquarry
