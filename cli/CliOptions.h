#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pixquarry {

// What the command line asked for, already checked for usage.
struct CliOptions {
    std::string source;
    std::optional<std::string> domain;  // given: replaces the window's initial domain
    bool json = false;
    bool resolve = false;
    bool follow = true;  // a web page's stylesheets are fetched and harvested (with --resolve)
    std::optional<std::string> base;
    std::string dir;
    int jobs = 1;
    int timeout = 0;       // seconds a download, SOURCE or a sheet may take in all; 0: default
    bool verbose = false;  // failure reasons also in the transfer layer's own words
    // --type and --min-size: only pictures of these types ("png", "jpeg", ...;
    // empty: any) and at least this size are listed or downloaded.
    std::vector<std::string> types;
    int minWidth = 0;
    int minHeight = 0;
    int checkJobs = 8;  // probes at once when a download checks first
    bool Filtered() const { return !types.empty() || minWidth > 0 || minHeight > 0; }
};

}  // namespace pixquarry
