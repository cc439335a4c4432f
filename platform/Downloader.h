#pragma once

#include <cstdint>
#include <functional>
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

// Fetches absolute http(s) addresses into files. Nothing waits: Download
// starts the transfer and returns, and `saved` runs later from the event
// loop. On success the body has replaced any file of that name; on failure
// the folder is as it was (no partial file, an existing file untouched).
class Downloader {
public:
    using Saved = std::function<void(const DownloadResult& result)>;

    virtual ~Downloader() = default;
    // `saved` runs once, from the loop, never inside Download. Returns an id
    // for Cancel.
    virtual std::uint64_t Download(const DownloadRequest& request, Saved saved) = 0;
    // Drops a transfer at once, its partial file with it; `saved` never runs.
    // A transfer that is over already, or 0, is ignored.
    virtual void Cancel(std::uint64_t id) = 0;
    // Body bytes received by this downloader's transfers so far.
    virtual std::int64_t Received() const { return 0; }
};

}  // namespace pixquarry
