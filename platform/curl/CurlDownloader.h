#pragma once

#include "platform/Downloader.h"
#include "platform/curl/CurlEasy.h"
#include "platform/curl/TransferLimits.h"

namespace pixquarry {

// Downloads through one libcurl handle kept for the object's life, so links on
// the same host share a connection. Not for use from two threads at once.
class CurlDownloader final : public Downloader {
public:
    explicit CurlDownloader(TransferLimits limits = {});

    DownloadResult Download(const DownloadRequest& request) override;

private:
    CurlEasy m_easy;
};

}  // namespace pixquarry
