#include "extract/PageHarvest.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "extract/CssImports.h"
#include "extract/ListOrder.h"
#include "extract/PageStyles.h"
#include "extract/Reference.h"
#include "extract/SheetText.h"
#include "extract/UrlMatches.h"
#include "platform/common/Pump.h"

namespace pixquarry {

namespace {

constexpr char kStyleElement[] = "<style>";
constexpr char kStyleAttribute[] = "style=\"\"";

std::string MediaType(std::string_view contentType) {
    std::string type(contentType.substr(0, contentType.find(';')));
    type.erase(type.find_last_not_of(" \t") + 1);
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return type;
}

// Where a text stands among the page's styles: the page position of what
// holds it, then the place of each @import on the way. Sorting by it puts
// origins and failures in page order whatever order the answers came in.
using PagePlace = std::vector<int>;

struct Found {
    std::string link;
    LinkOrigin origin;
    PagePlace place;
};

struct Sheet {
    std::string address;
    PagePlace place;
    int depth = 0;
    std::string referrerEncoding;
};

}  // namespace

class PageHarvest::Walk {
public:
    Walk(HttpClient& client, const PageLimits& limits, Done done)
        : m_client(client),
          m_limits(limits),
          m_done(std::move(done)),
          m_pump(limits.atOnce, [this] { return NextSheet(); }) {}
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;
    ~Walk() {
        for (const std::uint64_t id : m_fetching)
            m_client.Cancel(id);
    }

    void Start(const std::string& address, std::string bytes, std::string_view contentType) {
        Harvest refused;
        refused.failure = "无法读取网页“" + address + "”：";
        if (static_cast<std::int64_t>(bytes.size()) > m_limits.pageBytes) {
            refused.failure += "网页超过 " + std::to_string(m_limits.pageBytes >> 20) + " MiB";
            m_done(std::move(refused));
            return;
        }
        PageStyles page;
        DecodedText text;
        try {
            text = DecodePageText(std::move(bytes), CharsetOfContentType(contentType));
            page = FindPageStyles(text.text);
        } catch (const PageTooComplex&) {
            refused.failure += "网页结构过于复杂，解析需要超过 512 MiB 内存";
            m_done(std::move(refused));
            return;
        } catch (const std::bad_alloc&) {
            refused.failure += "内存不足";
            m_done(std::move(refused));
            return;
        }
        std::string base = address;
        if (!page.baseHref.empty()) {
            if (std::optional<std::string> named = m_client.Resolve(address, page.baseHref))
                base = std::move(*named);
        }
        for (std::size_t i = 0; i < page.styles.size(); ++i) {
            const PageStyle& style = page.styles[i];
            const PagePlace place{static_cast<int>(i)};
            switch (style.kind) {
                case PageStyle::Kind::Linked:
                    Enqueue(base, style.text, place, 0, text.encoding);
                    break;
                case PageStyle::Kind::Element:
                    Take(style.text, base, kStyleElement, style.line, place, 1, text.encoding);
                    break;
                case PageStyle::Kind::Attribute:
                    // A declaration list: no rules, so no @import either.
                    Take(style.text, base, kStyleAttribute, style.line, place, 0, text.encoding);
                    break;
            }
            m_namedSheets = m_namedSheets || style.kind != PageStyle::Kind::Attribute;
        }
        m_pump.Fill();
        EndWhenDone();
    }

private:
    // `importDepth`: the depth of what the text imports; 0: it imports nothing.
    // `encoding`: that of the text, the fallback of what it imports.
    void Take(std::string_view text, const std::string& base, const std::string& sheet,
              int firstLine, const PagePlace& place, int importDepth, const std::string& encoding) {
        for (const int mode : MatchModesOf(text))
            m_modes.insert(mode);
        const std::vector<CssImport> imports =
            importDepth > 0 ? FindImports(text) : std::vector<CssImport>{};
        std::set<std::size_t> importsAt;
        for (const CssImport& rule : imports)
            importsAt.insert(rule.urlAt);
        const std::string joined = RegExpTest(kUrlPattern, text);
        std::size_t counted = 0;  // lines are counted up to here
        std::size_t next = 0;     // the next match starts here or later
        int line = firstLine;
        for (const std::string_view match : SplitMatches(joined)) {
            // Matches come in text order and never overlap, so each is the
            // first copy of itself after the one before.
            const std::size_t at = text.find(match, next);
            line += static_cast<int>(std::count(text.begin() + counted, text.begin() + at, '\n'));
            counted = at;
            next = at + match.size();
            // A stylesheet that is followed is no picture.
            if (importsAt.contains(at))
                continue;
            if (std::optional<std::string> link = m_client.Resolve(base, ReferenceOf(match)))
                m_found.push_back({std::move(*link), {sheet, line}, place});
        }
        for (std::size_t j = 0; j < imports.size(); ++j) {
            PagePlace inner = place;
            inner.push_back(static_cast<int>(j));
            Enqueue(base, imports[j].reference, inner, importDepth, encoding);
        }
    }

    // `depth`: how many @import rules lead to the sheet; 0 for a <link>.
    void Enqueue(const std::string& base, const std::string& reference, PagePlace place, int depth,
                 const std::string& encoding) {
        std::optional<std::string> address = m_client.Resolve(base, reference);
        if (!address || m_seen.contains(*address))
            return;
        if (depth > m_limits.imports) {
            m_tooDeep.insert(std::move(*address));
            return;
        }
        if (m_queued >= m_limits.sheets) {
            m_overCount.insert(std::move(*address));
            return;
        }
        m_seen.insert(*address);
        ++m_queued;
        m_queue.push_back({std::move(*address), std::move(place), depth, encoding});
    }

    std::optional<Pump::Piece> NextSheet() {
        if (m_queue.empty())
            return std::nullopt;
        Sheet next = std::move(m_queue.front());
        m_queue.pop_front();
        return [this, sheet = std::move(next)]() mutable {
            const std::string address = sheet.address;
            auto id = std::make_shared<std::uint64_t>(0);
            *id = m_client.Get(
                address,
                [this, id, sheet = std::move(sheet)](HttpResponse response) {
                    m_fetching.erase(*id);
                    Arrived(sheet, std::move(response));
                    m_pump.Ended();
                    EndWhenDone();
                },
                m_limits.sheetBytes);
            m_fetching.insert(*id);
        };
    }

    void EndWhenDone() {
        if (m_ended || m_pump.Running() > 0 || !m_queue.empty())
            return;
        m_ended = true;
        m_done(Finish());
    }

    void Arrived(const Sheet& sheet, HttpResponse response) {
        std::string reason;
        const std::string type = MediaType(response.contentType);
        if (!response.ok)
            reason = response.error;
        else if (response.status >= 400)
            reason = HttpStatusReason(response.status);
        else if (type == "text/html" || type.starts_with("image/") || type.starts_with("audio/") ||
                 type.starts_with("video/"))
            reason = "服务器送来的不是样式表（" + type + "）";
        // Named where it ended up: the address that failed, and the one its
        // references are relative to.
        std::string final = sheet.address;
        if (!response.finalUrl.empty())
            final =
                m_client.Resolve(response.finalUrl, response.finalUrl).value_or(response.finalUrl);
        if (!reason.empty()) {
            m_failures.push_back({{final, std::move(reason)}, sheet.place});
            return;
        }
        // Two addresses redirected to one stylesheet: it counts once.
        if (final != sheet.address && !m_seen.insert(final).second)
            return;
        const DecodedText text =
            DecodeSheetText(std::move(response.body), CharsetOfContentType(response.contentType),
                            sheet.referrerEncoding);
        Take(text.text, final, final, 1, sheet.place, sheet.depth + 1,
             text.encoding.empty() ? sheet.referrerEncoding : text.encoding);
    }

    Harvest Finish() {
        Harvest harvest;
        harvest.ok = true;
        std::stable_sort(m_found.begin(), m_found.end(),
                         [](const Found& a, const Found& b) { return a.place < b.place; });
        std::unordered_map<std::string, std::size_t> index;
        for (Found& found : m_found) {
            const auto [at, added] = index.emplace(found.link, harvest.links.size());
            if (added) {
                harvest.links.push_back(std::move(found.link));
                harvest.from.emplace_back();
            }
            harvest.from[at->second].push_back(std::move(found.origin));
        }
        // The list's order; equal texts keep their page order.
        std::vector<std::size_t> order(harvest.links.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return CompareListText(harvest.links[a], harvest.links[b]) < 0;
        });
        Harvest sorted = harvest;
        for (std::size_t i = 0; i < order.size(); ++i) {
            sorted.links[i] = std::move(harvest.links[order[i]]);
            sorted.from[i] = std::move(harvest.from[order[i]]);
        }
        sorted.matchModes.clear();
        for (const int mode : {0, 1, 2}) {
            if (m_modes.contains(mode))
                sorted.matchModes.push_back(mode);
        }
        if (sorted.matchModes.empty())
            sorted.matchModes.push_back(3);
        std::stable_sort(m_failures.begin(), m_failures.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
        for (auto& [failure, place] : m_failures)
            sorted.failures.push_back(std::move(failure));
        if (!m_overCount.empty())
            sorted.limitsReached.push_back("已达到 " + std::to_string(m_limits.sheets) +
                                           " 个样式表的上限，另有 " +
                                           std::to_string(m_overCount.size()) + " 个未读取");
        // A sheet too deep on one path may have been read on a shorter one.
        const auto unread = std::count_if(m_tooDeep.begin(), m_tooDeep.end(),
                                          [this](const auto& a) { return !m_seen.contains(a); });
        if (unread > 0)
            sorted.limitsReached.push_back("已达到 " + std::to_string(m_limits.imports) +
                                           " 层 @import 的上限，另有 " + std::to_string(unread) +
                                           " 个样式表未读取");
        sorted.emptyPage = !m_namedSheets && sorted.links.empty();
        return sorted;
    }

    HttpClient& m_client;
    PageLimits m_limits;
    Done m_done;
    Pump m_pump;
    std::unordered_set<std::uint64_t> m_fetching;
    bool m_ended = false;
    std::deque<Sheet> m_queue;
    std::unordered_set<std::string> m_seen;
    std::unordered_set<std::string> m_overCount;  // left unread for the count of sheets
    std::unordered_set<std::string> m_tooDeep;    // and for the depth of imports
    bool m_namedSheets = false;
    int m_queued = 0;
    std::vector<Found> m_found;
    std::set<int> m_modes;
    std::vector<std::pair<SheetFailure, PagePlace>> m_failures;
};

bool IsHtmlPage(std::string_view contentType, std::string_view bytes) {
    const std::string type = MediaType(contentType);
    if (type == "text/html" || type == "application/xhtml+xml") {
        // A sheet made by a script often comes labelled as a page: a page
        // starts with a tag. NUL bytes are the other half of UTF-16 units.
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        const std::size_t first =
            bytes.find_first_not_of(std::string_view(" \t\n\r\f\0\xFE\xFF", 8));
        return first == std::string_view::npos || bytes[first] == '<';
    }
    if (!type.empty() && type != "text/plain" && type != "application/octet-stream")
        return false;
    return LooksLikeHtml(bytes);
}

PageHarvest::PageHarvest(HttpClient& client, PageLimits limits)
    : m_client(client), m_limits(limits) {}

PageHarvest::~PageHarvest() = default;

void PageHarvest::Start(const std::string& address, std::string bytes, std::string_view contentType,
                        Done done) {
    m_walk = std::make_unique<Walk>(m_client, m_limits, std::move(done));
    m_walk->Start(address, std::move(bytes), contentType);
}

void PageHarvest::Cancel() {
    m_walk.reset();
}

std::string SheetFailureLine(const SheetFailure& failure) {
    return failure.address + "：" + failure.reason;
}

std::string SheetFailureMessage(const SheetFailure& failure) {
    return "无法读取样式表“" + failure.address + "”：" + failure.reason;
}

}  // namespace pixquarry
