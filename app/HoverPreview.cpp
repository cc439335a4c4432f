#include "app/HoverPreview.h"

#include <algorithm>
#include <utility>

#include "download/LinkCheck.h"
#include "platform/HttpClient.h"
#include "platform/WebAddress.h"

namespace pixquarry {

namespace {

Thumbnail NoPreview(const std::string& why) {
    Thumbnail none;
    none.facts = "无法预览：" + why;
    return none;
}

}  // namespace

HoverPreview::HoverPreview(HttpClient& pictures, ThumbnailMaker& maker)
    : m_pictures(pictures), m_maker(maker) {}

HoverPreview::~HoverPreview() {
    Cancel();
}

void HoverPreview::Cancel() {
    for (const auto& [link, id] : m_fetching)
        m_pictures.Cancel(id);
    for (const auto& [link, id] : m_making)
        m_maker.Cancel(id);
    m_fetching.clear();
    m_making.clear();
    m_waiting.clear();
    m_pump.Reset();
    m_hovered.clear();
}

const Thumbnail* HoverPreview::Kept(const std::string& link) const {
    const auto found = m_index.find(link);
    return found == m_index.end() ? nullptr : &found->second->second;
}

void HoverPreview::Rest(const std::string& link, const std::string& failed) {
    m_hovered = link;
    if (const auto found = m_index.find(link); found != m_index.end()) {
        m_cache.splice(m_cache.begin(), m_cache, found->second);
        Tell(link, &found->second->second);
        return;
    }
    if (!IsWebLink(link) || !failed.empty()) {
        Keep(link, NoPreview(failed.empty() ? "不是完整的网址" : failed));
        return;
    }
    Tell(link, nullptr);
    if (m_making.contains(link))
        return;
    const auto fetching = std::find_if(m_fetching.begin(), m_fetching.end(),
                                       [&link](const auto& f) { return f.first == link; });
    if (fetching != m_fetching.end()) {
        // Already coming: it is now the newest, the last to give way.
        std::rotate(fetching, fetching + 1, m_fetching.end());
        return;
    }
    std::erase(m_waiting, link);
    m_waiting.push_front(link);
    if (m_pump.Running() < m_pump.AtOnce()) {
        m_pump.Fill();
    } else {
        // The picture under the pointer never waits: the oldest fetch gives
        // way and waits to start again.
        auto [oldest, id] = std::move(m_fetching.front());
        m_fetching.erase(m_fetching.begin());
        m_pictures.Cancel(id);
        m_waiting.insert(m_waiting.begin() + 1, std::move(oldest));
        m_pump.Ended();
    }
    if (m_waiting.size() > kWaiting)
        m_waiting.resize(kWaiting);
}

std::optional<Pump::Piece> HoverPreview::Next() {
    if (m_waiting.empty())
        return std::nullopt;
    std::string link = std::move(m_waiting.front());
    m_waiting.pop_front();
    return [this, link = std::move(link)] { Fetch(link); };
}

void HoverPreview::Fetch(const std::string& link) {
    const std::uint64_t id = m_pictures.Get(
        link,
        [this, link](HttpResponse response) {
            std::erase_if(m_fetching, [&link](const auto& f) { return f.first == link; });
            Arrived(link, std::move(response));
            m_pump.Ended();
        },
        kMaxPictureBytes);
    m_fetching.emplace_back(link, id);
}

// What a fetched picture tells of its link: the same verdict a check's
// request would have given, so the check need not ask again.
void HoverPreview::Judge(const std::string& link, const HttpResponse& response) {
    if (!m_judged)
        return;
    if (response.ok && response.status < 400) {
        m_judged(link, JudgeBytes(link, response.body));
        return;
    }
    ProbeAnswer answer;
    answer.answered = response.ok;
    answer.status = response.status;
    answer.error = response.error;
    answer.detail = response.detail;
    answer.contentType = response.contentType;
    answer.head = response.body;
    answer.bodyEnded = true;
    m_judged(link, JudgeProbe(link, answer));
}

void HoverPreview::Arrived(const std::string& link, HttpResponse response) {
    if (!response.tooLarge)
        Judge(link, response);
    if (response.tooLarge) {
        Keep(link, NoPreview("图片超过 16 MiB"));
    } else if (!response.ok) {
        Keep(link, NoPreview(response.error));
    } else if (response.status >= 400) {
        Keep(link, NoPreview(HttpStatusReason(response.status)));
    } else {
        m_making[link] = m_maker.Make(std::move(response.body), kThumbnailSide, link == m_hovered,
                                      [this, link](Thumbnail made) {
                                          m_making.erase(link);
                                          Keep(link, std::move(made));
                                      });
    }
}

void HoverPreview::Keep(const std::string& link, Thumbnail picture) {
    if (const auto old = m_index.find(link); old != m_index.end()) {
        m_cached -= old->second->second.Cost();
        m_cache.erase(old->second);
    }
    m_cache.emplace_front(link, std::move(picture));
    m_index[link] = m_cache.begin();
    m_cached += m_cache.front().second.Cost();
    while (m_cache.size() > 1 &&
           (static_cast<int>(m_cache.size()) > kCacheEntries || m_cached > kCacheBytes)) {
        m_cached -= m_cache.back().second.Cost();
        m_index.erase(m_cache.back().first);
        m_cache.pop_back();
    }
    if (link == m_hovered)
        Tell(link, &m_cache.front().second);
}

void HoverPreview::Tell(const std::string& link, const Thumbnail* picture) {
    if (m_show)
        m_show(link, picture);
}

}  // namespace pixquarry
