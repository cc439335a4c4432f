#pragma once

// The hover preview's logic: which pictures are fetched, in what order, and
// the thumbnails kept. The view only shows the tip and makes thumbnails.

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "download/LinkCheck.h"
#include "platform/HttpClient.h"
#include "platform/ThumbnailMaker.h"
#include "platform/common/Pump.h"

namespace pixquarry {

class HoverPreview final {
public:
    static constexpr int kThumbnailSide = 160;
    static constexpr int kAtOnce = 2;
    static constexpr std::int64_t kMaxPictureBytes = 16 * 1024 * 1024;
    static constexpr int kCacheEntries = 64;
    static constexpr std::int64_t kCacheBytes = 32 * 1024 * 1024;
    // Fetches for links passed over, kept to resume once there is room.
    static constexpr std::size_t kWaiting = 16;

    // Told what the tip should show for `link`: its thumbnail, or nothing
    // yet while it comes.
    using Show = std::function<void(const std::string& link, const Thumbnail* picture)>;

    HoverPreview(HttpClient& pictures, ThumbnailMaker& maker);
    HoverPreview(const HoverPreview&) = delete;
    HoverPreview& operator=(const HoverPreview&) = delete;
    ~HoverPreview();

    void OnShow(Show show) { m_show = std::move(show); }
    // Told what each fetched picture says of its link, as a check would find.
    using Judged = std::function<void(const std::string& link, const LinkVerdict& verdict)>;
    void OnJudged(Judged judged) { m_judged = std::move(judged); }
    // The pointer rests on `link`: its kept thumbnail is shown at once;
    // otherwise it is fetched now, before any other, and shown when made.
    // `failed`: why a check found the link unusable; then that is shown,
    // and nothing is fetched.
    void Rest(const std::string& link, const std::string& failed = {});
    // The pointer left: nothing is shown until it rests again.
    void Leave() { m_hovered.clear(); }
    // Everything under way is dropped, as when the window closes.
    void Cancel();

    // The thumbnail kept for `link`, if any.
    const Thumbnail* Kept(const std::string& link) const;

private:
    std::optional<Pump::Piece> Next();
    void Fetch(const std::string& link);
    void Arrived(const std::string& link, HttpResponse response);
    void Judge(const std::string& link, const HttpResponse& response);
    void Tell(const std::string& link, const Thumbnail* picture);
    void Keep(const std::string& link, Thumbnail picture);

    HttpClient& m_pictures;
    ThumbnailMaker& m_maker;
    Show m_show;
    Judged m_judged;
    std::string m_hovered;
    Pump m_pump{kAtOnce, [this] { return Next(); }};
    std::deque<std::string> m_waiting;  // the next to fetch first
    // Fetches under way, the oldest hover first: it gives way first.
    std::vector<std::pair<std::string, std::uint64_t>> m_fetching;
    std::unordered_map<std::string, std::uint64_t> m_making;
    // Most recently used first.
    std::list<std::pair<std::string, Thumbnail>> m_cache;
    std::unordered_map<std::string, std::list<std::pair<std::string, Thumbnail>>::iterator> m_index;
    std::int64_t m_cached = 0;
};

}  // namespace pixquarry
