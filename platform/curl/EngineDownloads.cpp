#include "platform/curl/EngineDownloads.h"

#include <chrono>
#include <limits>
#include <optional>
#include <utility>

#include "platform/curl/TargetFile.h"
#include "platform/posix/PartFile.h"

namespace pixquarry {

// One download: its file, whom to tell, and how to stop it.
struct EngineDownloads::Transfer {
    std::unique_ptr<TargetFile> target;
    Saved saved;
    std::uint64_t engineId = 0;  // 0: refused, told from a timer
    int timer = 0;
};

EngineDownloads::EngineDownloads(TransferEngine& engine, TransferLimits limits)
    : m_engine(engine), m_limits(limits) {}

EngineDownloads::~EngineDownloads() {
    for (auto it = m_transfers.begin(); it != m_transfers.end();)
        Cancel((it++)->first);
}

std::uint64_t EngineDownloads::Download(const DownloadRequest& request, Saved saved) {
    if (m_swept.insert(request.folder).second)
        PartFile::RemoveOrphans(request.folder);
    auto transfer = std::make_unique<Transfer>();
    transfer->target = std::make_unique<TargetFile>(request);
    transfer->saved = std::move(saved);
    Transfer* t = transfer.get();
    std::uint64_t id = 0;
    if (t->target->Refusal()) {
        // Refusals get ids of their own, counted down from the top so they
        // never meet the engine's.
        id = std::numeric_limits<std::uint64_t>::max() - m_lastRefusal++;
        t->timer =
            m_engine.Loop().StartTimer(std::chrono::milliseconds(0), [this, id] { Refused(id); });
    } else {
        TransferLimits limits = m_limits;
        limits.httpsOnly = limits.httpsOnly || request.httpsOnly;
        TargetFile* file = t->target.get();
        const std::string referer = request.sendReferer ? file->Referer() : std::string();
        id = m_engine.Start(
            request.url, limits, referer,
            [this, file](std::string_view chunk, long status, std::string& error) {
                m_received += static_cast<std::int64_t>(chunk.size());
                return file->Take(status, chunk, error);
            },
            [this, t](const CurlOutcome& outcome) {
                auto node = m_transfers.extract(t->engineId);
                const DownloadResult result = t->target->Finish(outcome);
                t->saved(result);
            });
        t->engineId = id;
    }
    m_transfers.emplace(id, std::move(transfer));
    return id;
}

void EngineDownloads::Refused(std::uint64_t id) {
    auto node = m_transfers.extract(id);
    if (node.empty())
        return;
    Transfer& t = *node.mapped();
    t.saved(*t.target->Refusal());
}

void EngineDownloads::Cancel(std::uint64_t id) {
    auto node = m_transfers.extract(id);
    if (node.empty())
        return;
    if (node.mapped()->engineId != 0)
        m_engine.Cancel(id);
    else
        m_engine.Loop().StopTimer(node.mapped()->timer);
    // The part file goes with the TargetFile.
}

}  // namespace pixquarry
