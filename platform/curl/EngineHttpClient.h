#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/HttpClient.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

// GETs into memory on the transfer engine, each with the same limits.
class EngineHttpClient final : public HttpClient {
public:
    EngineHttpClient(TransferEngine& engine, TransferLimits limits);
    EngineHttpClient(const EngineHttpClient&) = delete;
    EngineHttpClient& operator=(const EngineHttpClient&) = delete;
    // Requests still going are dropped.
    ~EngineHttpClient() override;

    std::uint64_t Get(const std::string& url, Answer answer, std::int64_t maxBytes = 0) override;
    void Cancel(std::uint64_t id) override;
    std::optional<std::string> Resolve(const std::string& base,
                                       std::string_view reference) const override;

private:
    struct Pending;
    TransferEngine& m_engine;
    TransferLimits m_limits;
    std::unordered_map<std::uint64_t, std::unique_ptr<Pending>> m_pending;
};

}  // namespace pixquarry
