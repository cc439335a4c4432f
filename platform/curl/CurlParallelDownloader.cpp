#include "platform/curl/CurlParallelDownloader.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/curl/CurlEasy.h"
#include "platform/curl/TargetFile.h"

namespace pixquarry {

namespace {

constexpr int kTickMilliseconds = 100;

// A transfer that is over, with its file still to be put in place.
struct Ended {
    std::size_t index;
    CurlOutcome outcome;
    std::unique_ptr<TargetFile> target;
};

}  // namespace

// One transfer place: an easy handle kept across requests, and the file of
// the request it is working on.
class CurlParallelDownloader::Slot final {
public:
    Slot(const TransferLimits& limits, std::int64_t& received) : m_easy(limits) {
        m_sink = [this, &received](std::string_view chunk, std::string& error) {
            received += static_cast<std::int64_t>(chunk.size());
            return m_target->Take(m_easy.Status(), chunk, error);
        };
    }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    // Puts the request on the multi handle; the refusal when it cannot go.
    std::optional<DownloadResult> Start(CURLM* multi, std::size_t index,
                                        const DownloadRequest& request) {
        m_target = std::make_unique<TargetFile>(request);
        if (m_target->Refusal()) {
            DownloadResult refusal = *m_target->Refusal();
            m_target.reset();
            return refusal;
        }
        m_index = index;
        m_handle = m_easy.Begin(request.url, m_target->Referer(), m_sink);
        curl_easy_setopt(m_handle, CURLOPT_PRIVATE, this);
        const CURLMcode added = curl_multi_add_handle(multi, m_handle);
        if (added != CURLM_OK) {
            m_target.reset();
            return DownloadResult{false, 0, curl_multi_strerror(added)};
        }
        m_busy = true;
        return std::nullopt;
    }

    // Frees the slot for the next request; the file goes with the result.
    Ended End(CURLM* multi, CURLcode code) {
        curl_multi_remove_handle(multi, m_handle);
        m_busy = false;
        return Ended{m_index, m_easy.Finish(code), std::move(m_target)};
    }

    // Drops the transfer unfinished; the part file goes with it.
    void Abandon(CURLM* multi) {
        if (m_busy)
            curl_multi_remove_handle(multi, m_handle);
        m_busy = false;
        m_target.reset();
    }

private:
    CurlEasy m_easy;
    CURL* m_handle = nullptr;
    CurlEasy::Sink m_sink;
    std::unique_ptr<TargetFile> m_target;
    std::size_t m_index = 0;
    bool m_busy = false;
};

CurlParallelDownloader::CurlParallelDownloader(TransferLimits limits, int maxTransfers)
    : m_limits(limits) {
    if (maxTransfers < 1)
        throw std::invalid_argument("CurlParallelDownloader needs at least one transfer");
    // The easy handles first: the first one runs libcurl's global set-up.
    for (int i = 0; i < maxTransfers; ++i)
        m_slots.push_back(std::make_unique<Slot>(m_limits, m_received));
    m_multi.reset(curl_multi_init());
    if (!m_multi)
        throw std::runtime_error("curl_multi_init failed");
}

CurlParallelDownloader::~CurlParallelDownloader() = default;

bool CurlParallelDownloader::Run(const std::vector<DownloadRequest>& requests,
                                 const Finished& finished, const Tick& tick) {
    // Whatever way Run is left, nothing stays on the multi handle.
    struct AbandonAll {
        CURLM* multi;
        std::vector<std::unique_ptr<Slot>>& slots;
        ~AbandonAll() {
            for (auto& slot : slots)
                slot->Abandon(multi);
        }
    } abandonAll{m_multi.get(), m_slots};

    m_received = 0;
    // Per target path, the latest request in list order whose file is in place.
    std::unordered_map<std::string, std::size_t> placed;
    std::size_t next = 0;
    int busy = 0;
    const auto feed = [&](Slot& slot) {
        while (next < requests.size()) {
            const std::size_t index = next++;
            if (const auto refusal = slot.Start(m_multi.get(), index, requests[index])) {
                finished(index, *refusal);
                continue;
            }
            ++busy;
            return;
        }
    };
    for (auto& slot : m_slots)
        feed(*slot);

    std::vector<Ended> ended;
    while (busy > 0) {
        if (tick && !tick(m_received))
            return false;
        int running = 0;
        curl_multi_perform(m_multi.get(), &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi.get(), &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Slot* slot = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &slot);
            ended.push_back(slot->End(m_multi.get(), message->data.result));
            --busy;
            feed(*slot);
        }
        if (ended.empty()) {
            curl_multi_poll(m_multi.get(), nullptr, 0, kTickMilliseconds, nullptr);
            continue;
        }
        // The next requests go out first; renames and reports happen while
        // the server works on them.
        curl_multi_perform(m_multi.get(), &running);
        for (Ended& done : ended) {
            const std::string& path = done.target->Path();
            const auto later = placed.find(path);
            const bool keep = later == placed.end() || later->second < done.index;
            const DownloadResult result = done.target->Finish(done.outcome, keep);
            if (result.ok && keep)
                placed[path] = done.index;
            done.target.reset();
            finished(done.index, result);
        }
        ended.clear();
    }
    return true;
}

}  // namespace pixquarry
