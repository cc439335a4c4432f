#include <algorithm>
#include <utility>

#include "platform/curl/ResolveReference.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

// One begun request: its body so far and whom to tell.
struct EngineHttpClient::Pending {
    std::uint64_t id = 0;
    HttpResponse response;
    Answer answer;
};

EngineHttpClient::EngineHttpClient(TransferEngine& engine, TransferLimits limits)
    : m_engine(engine), m_limits(limits) {}

EngineHttpClient::~EngineHttpClient() {
    for (const auto& [id, pending] : m_pending)
        m_engine.Cancel(id);
}

void EngineHttpClient::Begin(const std::string& url, std::int64_t maxBytes, Answer answer) {
    TransferLimits limits = m_limits;
    if (maxBytes > 0)
        limits.maxBytes = limits.maxBytes > 0 ? std::min(limits.maxBytes, maxBytes) : maxBytes;
    auto pending = std::make_unique<Pending>();
    pending->answer = std::move(answer);
    Pending* request = pending.get();
    request->id = m_engine.Start(
        url, limits, {},
        [request](std::string_view chunk, long, std::string&) {
            request->response.body.append(chunk);
            return true;
        },
        [this, request](const CurlOutcome& outcome) {
            auto node = m_pending.extract(request->id);
            // The answer may begin further requests.
            request->answer(ResponseFrom(outcome, std::move(request->response.body)));
        });
    m_pending.emplace(request->id, std::move(pending));
}

bool EngineHttpClient::Wait(const std::function<bool()>& done) {
    const bool ran = m_engine.Loop().RunUntil([&] { return done() || m_pending.empty(); });
    // What is still pending belongs to an outer wait (a second harvest started
    // from inside the first one), unless the loop is ending.
    if (!ran) {
        for (const auto& [id, pending] : m_pending)
            m_engine.Cancel(id);
        m_pending.clear();
    }
    return ran;
}

std::optional<std::string> EngineHttpClient::Resolve(const std::string& base,
                                                     std::string_view reference) const {
    return ResolveReference(base, reference);
}

}  // namespace pixquarry
