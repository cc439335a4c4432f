#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/LinkProber.h"

namespace pixquarry {

// What a check found out about one link.
struct LinkVerdict {
    bool ok = false;
    std::optional<long> status;  // the HTTP status; nothing when no answer came
    std::string reason;          // why it failed, in Chinese; empty when ok
    // "png", "jpeg", "gif", "webp", "svg", "bmp", "ico", "avif", "tiff"; "" when unknown.
    std::string type;
    int width = 0;  // 0 when unknown
    int height = 0;
    std::optional<std::int64_t> bytes;  // the whole picture's size, when the answer told it
    // Said of an ok link whose bytes are not what its extension says, such
    // as "（内容为 PNG）"; empty otherwise.
    std::string note;
};

// What a check of `url` makes of the prober's answer.
LinkVerdict JudgeProbe(const std::string& url, const ProbeAnswer& answer);

// The same judgement from a whole picture already at hand (the hover
// preview's bytes): no request needed.
LinkVerdict JudgeBytes(const std::string& url, std::string_view bytes);

// "PNG", "JPEG", "WebP", ... for a verdict's type.
std::string TypeLabel(const std::string& type);

// "512 B", "12 KB", "1.5 MB".
std::string ByteSizeText(std::int64_t bytes);

// The short words at a row's end: "PNG 200×200 · 12 KB", or for a failure
// "404" or "不是图片".
std::string VerdictShort(const LinkVerdict& verdict);

// Checks links at most `atOnce` at a time. Nothing waits: each result is told
// as it comes (`checked`), then the end (`over`). The window and
// `pixquarry-cli check` both run it; the command line tells results in list
// order itself.
class LinkCheck final {
public:
    struct Link {
        int index = 0;  // the caller's own number for the link
        std::string url;
    };
    // The next link to check; nothing when there are no more.
    using Next = std::function<std::optional<Link>()>;
    using Checked = std::function<void(int index, const LinkVerdict& verdict)>;
    using Over = std::function<void()>;

    LinkCheck(LinkProber& prober, int atOnce, Next next, Checked checked, Over over);
    LinkCheck(const LinkCheck&) = delete;
    LinkCheck& operator=(const LinkCheck&) = delete;
    // What is under way is dropped.
    ~LinkCheck();

    // Starts the first probes; with nothing to check it is over before Start returns.
    void Start();
    // Drops what is under way; nothing more is told.
    void Cancel();

    bool Running() const;
    int Done() const;
    int Usable() const;
    int Failed() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace pixquarry
