#pragma once

#include "cli/CliOptions.h"
#include "extract/Harvest.h"
#include "platform/HttpClient.h"

namespace pixquarry {

// SOURCE's picture links as the window lists them, or with --resolve each
// resolved against the page's address. 0 with the harvest filled; otherwise
// the exit status, the reason already written to stderr.
int HarvestSource(const CliOptions& options, HttpClient& pages, Harvest& harvest);

}  // namespace pixquarry
