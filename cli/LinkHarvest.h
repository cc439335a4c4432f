#pragma once

#include "cli/CliOptions.h"
#include "extract/Harvest.h"
#include "platform/HttpClient.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"

namespace pixquarry {

// The command line's transfers: the engine on a poll loop, and SOURCE and
// its stylesheets fetched through it, --timeout replacing their time in all.
struct CliTransfers {
    explicit CliTransfers(const CliOptions& options);
    PollEventLoop loop;
    TransferEngine engine{loop};
    EngineHttpClient pages;
};

// SOURCE's picture links as the window lists them, or with --resolve each
// resolved against the page's address; a web page's stylesheets are followed
// then. Returns the exit status so far, every failure already written to
// stderr; the harvest is usable when harvest.ok, even when one of a page's
// stylesheets failed (status 1).
int HarvestSource(const CliOptions& options, HttpClient& pages, Harvest& harvest);

}  // namespace pixquarry
