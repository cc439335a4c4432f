#include "platform/curl/EngineHttpClient.h"

#include <algorithm>
#include <utility>

#include "platform/curl/ResolveReference.h"

namespace pixquarry {

// One request under way: its body so far and whom to tell.
struct EngineHttpClient::Pending {
    std::uint64_t id = 0;
    std::string body;
    Answer answer;
};

EngineHttpClient::EngineHttpClient(TransferEngine& engine, TransferLimits limits)
    : m_engine(engine), m_limits(limits) {}

EngineHttpClient::~EngineHttpClient() {
    for (const auto& [id, pending] : m_pending)
        m_engine.Cancel(id);
}

std::uint64_t EngineHttpClient::Get(const std::string& url, Answer answer, std::int64_t maxBytes) {
    TransferLimits limits = m_limits;
    if (maxBytes > 0)
        limits.maxBytes = limits.maxBytes > 0 ? std::min(limits.maxBytes, maxBytes) : maxBytes;
    auto pending = std::make_unique<Pending>();
    pending->answer = std::move(answer);
    Pending* request = pending.get();
    // The engine never calls back from inside Start, so the id is known by then.
    request->id = m_engine.Start(
        url, limits, {},
        [request, reserve = maxBytes](std::string_view chunk, long, std::string&) {
            // A body with a size of its own gets its room at once: growing a
            // large one by copying would hold up the window.
            if (reserve > 0 && request->body.empty())
                request->body.reserve(static_cast<std::size_t>(reserve));
            request->body.append(chunk);
            return true;
        },
        [this, request](const CurlOutcome& outcome) {
            // Out of the table first: the answer may start or cancel requests.
            auto node = m_pending.extract(request->id);
            request->answer(ResponseFrom(outcome, std::move(request->body)));
        });
    m_pending.emplace(request->id, std::move(pending));
    return request->id;
}

void EngineHttpClient::Cancel(std::uint64_t id) {
    if (m_pending.erase(id) > 0)
        m_engine.Cancel(id);
}

std::optional<std::string> EngineHttpClient::Resolve(const std::string& base,
                                                     std::string_view reference) const {
    return ResolveReference(base, reference);
}

}  // namespace pixquarry
