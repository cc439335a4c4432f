#pragma once

// A web page as source: its linked, imported, inline and attribute styles,
// each stylesheet fetched once, side by side, and every reference resolved
// against the stylesheet it is written in.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "extract/Harvest.h"
#include "platform/HttpClient.h"

namespace pixquarry {

struct PageLimits {
    int atOnce = 6;  // stylesheets fetched at once
    // @import rules followed one inside the other, from a <link>ed sheet and
    // from a <style> element alike.
    int imports = 8;
    int sheets = 64;                             // fetched in all
    std::int64_t sheetBytes = 16 * 1024 * 1024;  // one stylesheet's body
    std::int64_t pageBytes = 16 * 1024 * 1024;   // the page itself
};

// What the window and the command line say about a page that named no
// stylesheet and held no reference.
inline constexpr char kEmptyPage[] = "网页中没有找到样式表或图片链接";

// Whether fetched bytes are an HTML page rather than a stylesheet: by the
// Content-Type when it starts with "<" (blanks and a byte-order mark aside),
// or by their first tag when the server named no type.
bool IsHtmlPage(std::string_view contentType, std::string_view bytes);

// The links of the page at `address` (where it ended up), sorted and each
// once as in the window's list, with their origins. The stylesheets are
// fetched on `client`, side by side; a stylesheet that cannot be read goes
// into `failures`, one a limit kept unread is counted in `limitsReached`,
// and the rest are harvested all the same; ok is false when the page itself
// is refused (too large, too much for memory). Nothing waits:
// `done` runs once, from the loop when the last stylesheet has answered (at
// once, inside Start, when the page names none). Cancel() or the object's
// end drops what is under way, and `done` never runs.
class PageHarvest final {
public:
    using Done = std::function<void(Harvest harvest)>;

    explicit PageHarvest(HttpClient& client, PageLimits limits = {});
    PageHarvest(const PageHarvest&) = delete;
    PageHarvest& operator=(const PageHarvest&) = delete;
    ~PageHarvest();

    void Start(const std::string& address, std::string bytes, std::string_view contentType,
               Done done);
    void Cancel();

private:
    class Walk;
    HttpClient& m_client;
    PageLimits m_limits;
    std::unique_ptr<Walk> m_walk;
};

// What the window and the command line say about one stylesheet that failed.
// The window's closing line names the first one as "ADDRESS：REASON";
// the command line writes each as "无法读取样式表“ADDRESS”：REASON".
std::string SheetFailureLine(const SheetFailure& failure);
std::string SheetFailureMessage(const SheetFailure& failure);

}  // namespace pixquarry
