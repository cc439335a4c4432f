#pragma once

// What the command line tells its user on stderr, and the exit status that goes with it.

#include <cstdio>
#include <string>

namespace pixquarry {

inline int UsageError(const std::string& problem) {
    std::fprintf(stderr, "pixquarry-cli: %s\nRun with --help for more information.\n",
                 problem.c_str());
    return 2;
}

inline int ReportFailure(const std::string& reason) {
    std::fprintf(stderr, "pixquarry-cli: %s\n", reason.c_str());
    return 1;
}

}  // namespace pixquarry
