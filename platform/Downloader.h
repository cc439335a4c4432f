#pragma once

#include <string>

namespace pixquarry {

struct DownloadRequest {
    std::string url;
    std::string folder;    // an existing folder; the file goes directly inside it
    std::string fileName;  // a plain name: "", ".", ".." and names with a "/" are refused
};

struct DownloadResult {
    bool ok = false;
    long httpStatus = 0;  // the last response's status, 0 when none arrived
    std::string error;    // why it failed, in the facility's own words; empty on success
};

// Fetches one address into one file. Blocks until the transfer is over. On
// success the body has replaced any file of that name; on failure the folder
// is as it was (no partial file, an existing file untouched).
class Downloader {
public:
    virtual ~Downloader() = default;
    virtual DownloadResult Download(const DownloadRequest& request) = 0;
};

}  // namespace pixquarry
