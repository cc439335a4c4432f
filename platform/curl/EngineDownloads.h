#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/Downloader.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

// Downloads into files on the transfer engine, each with the same limits.
// The first download into a folder removes the part files killed runs left
// there.
class EngineDownloads final : public Downloader {
public:
    explicit EngineDownloads(TransferEngine& engine, TransferLimits limits = {});
    EngineDownloads(const EngineDownloads&) = delete;
    EngineDownloads& operator=(const EngineDownloads&) = delete;
    // Transfers still going are dropped, and their part files with them.
    ~EngineDownloads() override;

    std::uint64_t Download(const DownloadRequest& request, Saved saved) override;
    void Cancel(std::uint64_t id) override;
    std::int64_t Received() const override { return m_received; }

private:
    struct Transfer;
    void Refused(std::uint64_t id);

    TransferEngine& m_engine;
    TransferLimits m_limits;
    std::unordered_map<std::uint64_t, std::unique_ptr<Transfer>> m_transfers;
    std::unordered_set<std::string> m_swept;  // folders cleared of orphaned part files
    std::uint64_t m_lastRefusal = 0;
    std::int64_t m_received = 0;
};

}  // namespace pixquarry
