#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Downloader.h"
#include "platform/curl/CurlEasy.h"
#include "platform/posix/PartFile.h"

namespace pixquarry {

// One download's file, the same for every downloader: the name is checked,
// the body goes to a PartFile in the target's folder, and the transfer's
// outcome becomes a DownloadResult: a success only for a 2xx answer with a body.
class TargetFile final {
public:
    explicit TargetFile(const DownloadRequest& request);
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;
    TargetFile(TargetFile&&) = delete;
    TargetFile& operator=(TargetFile&&) = delete;

    // Why the transfer must not start (a bad name, no temporary file), if so.
    const std::optional<DownloadResult>& Refusal() const { return m_refusal; }
    // The link's origin: pictures are fetched as the page that shows them would.
    const std::string& Referer() const { return m_referer; }

    // The transfer's sink; status is the response being received.
    bool Take(long status, std::string_view chunk, std::string& error);
    // Puts the file in place when the whole body arrived.
    DownloadResult Finish(const CurlOutcome& outcome);

private:
    std::string m_path;
    std::string m_referer;
    std::optional<DownloadResult> m_refusal;
    std::optional<PartFile> m_part;
    std::int64_t m_written = 0;
};

}  // namespace pixquarry
