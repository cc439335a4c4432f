#pragma once

#include "cli/CliOptions.h"

namespace pixquarry {

// Each returns the program's exit status.
int ExtractCommand(const CliOptions& options);
int DownloadCommand(const CliOptions& options);
int CheckCommand(const CliOptions& options);

}  // namespace pixquarry
