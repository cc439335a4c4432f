#pragma once

#include <string>

namespace pixquarry {

struct DownloadRequest {
    std::string url;
    std::string folder;    // an existing folder; the file goes directly inside it
    std::string fileName;  // a plain name: "", ".", ".." and names with a "/" are refused
    // Pictures are fetched as the page showing them would be, with the
    // link's origin as Referer; the publisher's files are fetched without.
    bool sendReferer = true;
    // Over https only, redirects included.
    bool httpsOnly = false;
};

struct DownloadResult {
    bool ok = false;
    long httpStatus = 0;  // the last response's status, 0 when none arrived
    std::string error;    // why it failed, in the user's words; empty on success
    std::string detail;   // the transfer layer's own words for the failure
};

// Fetches one absolute http(s) address into one file; returns when the
// transfer is over (the window keeps running meanwhile). On
// success the body has replaced any file of that name; on failure the folder
// is as it was (no partial file, an existing file untouched).
class Downloader {
public:
    virtual ~Downloader() = default;
    virtual DownloadResult Download(const DownloadRequest& request) = 0;
};

}  // namespace pixquarry
