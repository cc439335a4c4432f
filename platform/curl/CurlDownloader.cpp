#include "platform/curl/CurlDownloader.h"

#include "platform/curl/TargetFile.h"

namespace pixquarry {

CurlDownloader::CurlDownloader(TransferLimits limits) : m_easy(limits) {}

DownloadResult CurlDownloader::Download(const DownloadRequest& request) {
    TargetFile target(request);
    if (target.Refusal())
        return *target.Refusal();
    const CurlOutcome outcome = m_easy.Perform(
        request.url, target.Referer(), [&](std::string_view chunk, std::string& error) {
            return target.Take(m_easy.Status(), chunk, error);
        });
    return target.Finish(outcome);
}

}  // namespace pixquarry
