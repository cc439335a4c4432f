#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/LinkProber.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

// Reads the start of pictures on the transfer engine: a Range request for the
// first bytes, redirects followed, no content coding, and the transfer ended
// as soon as the caller has enough or the cap is reached, also when the
// server ignores Range. An error answer is read no further than its status.
class EngineProber final : public LinkProber {
public:
    EngineProber(TransferEngine& engine, TransferLimits limits);
    EngineProber(const EngineProber&) = delete;
    EngineProber& operator=(const EngineProber&) = delete;
    // Probes still going are dropped.
    ~EngineProber() override;

    std::uint64_t Probe(ProbeRequest request, Answer answer) override;
    void Cancel(std::uint64_t id) override;
    std::int64_t Received() const override { return m_received; }

private:
    struct Pending;
    void Ask(Pending& probe, const std::string& url);
    void Ended(Pending& probe, const CurlOutcome& outcome);
    void Tell(Pending& probe);
    void Drop(Pending& probe);

    TransferEngine& m_engine;
    TransferLimits m_limits;
    std::unordered_map<std::uint64_t, std::unique_ptr<Pending>> m_pending;
    std::uint64_t m_lastId = 0;
    std::int64_t m_received = 0;
};

}  // namespace pixquarry
