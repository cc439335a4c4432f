#include "download/LinkCheck.h"

#include <cstdio>
#include <unordered_map>
#include <utility>

#include "platform/HttpClient.h"
#include "platform/common/Pump.h"
#include "platform/picture/PictureHeader.h"

namespace pixquarry {

namespace {

constexpr char kWebPage[] = "不是图片（服务器返回了网页）";
constexpr char kUnreadable[] = "无法识别的图片";
constexpr char kEmpty[] = "服务器没有返回内容";  // as a download says it

// The type a link's extension promises; "" for an extension that promises none.
std::string ExtensionType(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension;
    for (char c : path.substr(dot + 1))
        extension += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    static const std::pair<const char*, const char*> kExtensions[] = {
        {"png", "png"}, {"jpg", "jpeg"},  {"jpeg", "jpeg"}, {"jpe", "jpeg"},  {"jfif", "jpeg"},
        {"gif", "gif"}, {"webp", "webp"}, {"svg", "svg"},   {"bmp", "bmp"},   {"ico", "ico"},
        {"cur", "ico"}, {"avif", "avif"}, {"tif", "tiff"},  {"tiff", "tiff"},
    };
    for (const auto& [name, type] : kExtensions) {
        if (extension == name)
            return type;
    }
    return {};
}

LinkVerdict Failure(std::optional<long> status, std::string reason) {
    LinkVerdict verdict;
    verdict.status = status;
    verdict.reason = std::move(reason);
    return verdict;
}

// The verdict on a body's first bytes, `end` saying whether more followed.
LinkVerdict FromHeader(const std::string& url, std::string_view head, BodyEnd end,
                       std::optional<long> status, bool labelledPage) {
    const PictureHeader header = ReadPictureHeader(head, end);
    if (header.verdict == PictureHeader::Verdict::WebPage ||
        (header.verdict != PictureHeader::Verdict::Picture && labelledPage))
        return Failure(status, kWebPage);
    if (header.verdict != PictureHeader::Verdict::Picture)
        return Failure(status, head.empty() ? kEmpty : kUnreadable);
    LinkVerdict verdict;
    verdict.ok = true;
    verdict.status = status;
    verdict.type = header.type;
    verdict.width = header.width;
    verdict.height = header.height;
    const std::string promised = ExtensionType(url);
    if (!promised.empty() && promised != header.type)
        verdict.note = "（内容为 " + TypeLabel(header.type) + "）";
    return verdict;
}

}  // namespace

LinkVerdict JudgeProbe(const std::string& url, const ProbeAnswer& answer) {
    const std::optional<long> status =
        answer.answered ? std::optional<long>(answer.status) : std::nullopt;
    if (answer.answered && answer.status >= 400)
        return Failure(status, HttpStatusReason(answer.status));
    if (!answer.error.empty() || !answer.answered)
        return Failure(status, answer.error.empty() ? "传输中途中断" : answer.error);
    const bool page = answer.contentType.starts_with("text/html");
    LinkVerdict verdict = FromHeader(
        url, answer.head, answer.bodyEnded ? BodyEnd::Ended : BodyEnd::CutOff, status, page);
    verdict.bytes = answer.totalBytes;
    if (!verdict.bytes && answer.bodyEnded)
        verdict.bytes = static_cast<std::int64_t>(answer.head.size());
    return verdict;
}

LinkVerdict JudgeBytes(const std::string& url, std::string_view bytes) {
    LinkVerdict verdict = FromHeader(url, bytes, BodyEnd::Ended, std::nullopt, false);
    verdict.bytes = static_cast<std::int64_t>(bytes.size());
    return verdict;
}

std::string TypeLabel(const std::string& type) {
    if (type == "webp")
        return "WebP";
    std::string label;
    for (char c : type)
        label += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return label;
}

std::string ByteSizeText(std::int64_t bytes) {
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%lld KB", static_cast<long long>((bytes + 512) / 1024));
    else
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
    return text;
}

std::string VerdictShort(const LinkVerdict& verdict) {
    if (!verdict.ok) {
        if (verdict.status && *verdict.status >= 400)
            return std::to_string(*verdict.status);
        if (verdict.reason == kWebPage)
            return "不是图片";
        if (verdict.reason == kUnreadable)
            return "无法识别";
        return verdict.reason;
    }
    std::string text = TypeLabel(verdict.type);
    if (verdict.width > 0 && verdict.height > 0)
        text += " " + std::to_string(verdict.width) + "×" + std::to_string(verdict.height);
    if (verdict.bytes)
        text += " · " + ByteSizeText(*verdict.bytes);
    return text;
}

// The check under way: the probes out, what is told, and a token whose loss
// tells a callback that the check went away under it.
struct LinkCheck::State {
    State(LinkProber& p, int atOnce, Next n, Checked c, Over o)
        : prober(p),
          next(std::move(n)),
          checked(std::move(c)),
          over(std::move(o)),
          pump(atOnce, [this] { return Take(); }) {}

    std::optional<Pump::Piece> Take();
    void Answered(int index, const std::string& url, const ProbeAnswer& answer);
    void EndWhenDone();

    LinkProber& prober;
    Next next;
    Checked checked;
    Over over;
    Pump pump;
    std::unordered_map<int, std::uint64_t> probes;  // index → the prober's id, 0 until started
    std::shared_ptr<bool> life = std::make_shared<bool>(true);
    int done = 0;
    int usable = 0;
    int failed = 0;
    bool started = false;
    bool drained = false;
    bool ended = false;
};

std::optional<Pump::Piece> LinkCheck::State::Take() {
    if (ended || drained)
        return std::nullopt;
    std::optional<Link> link = next();
    if (!link) {
        drained = true;
        return std::nullopt;
    }
    probes[link->index] = 0;
    return [this, link = std::move(*link)] {
        ProbeRequest request;
        request.url = link.url;
        // Enough once the header says what the bytes are, or that they are none.
        request.enough = [](std::string_view head) {
            return ReadPictureHeader(head, BodyEnd::Arriving).verdict !=
                   PictureHeader::Verdict::NeedMore;
        };
        probes[link.index] = prober.Probe(
            std::move(request), [this, index = link.index, url = link.url](ProbeAnswer answer) {
                Answered(index, url, answer);
            });
    };
}

void LinkCheck::State::Answered(int index, const std::string& url, const ProbeAnswer& answer) {
    probes.erase(index);
    const LinkVerdict verdict = JudgeProbe(url, answer);
    ++done;
    ++(verdict.ok ? usable : failed);
    // The caller may cancel or destroy the check from inside its callback.
    const std::weak_ptr<bool> alive = life;
    const Checked tell = checked;
    tell(index, verdict);
    if (alive.expired() || ended)
        return;
    pump.Ended();
    EndWhenDone();
}

void LinkCheck::State::EndWhenDone() {
    if (ended || !drained || !probes.empty())
        return;
    ended = true;
    if (over) {
        const Over tell = over;
        tell();
    }
}

LinkCheck::LinkCheck(LinkProber& prober, int atOnce, Next next, Checked checked, Over over)
    : m_state(std::make_unique<State>(prober, atOnce, std::move(next), std::move(checked),
                                      std::move(over))) {}

LinkCheck::~LinkCheck() {
    Cancel();
}

void LinkCheck::Start() {
    m_state->started = true;
    m_state->pump.Fill();
    m_state->EndWhenDone();
}

void LinkCheck::Cancel() {
    for (const auto& [index, id] : m_state->probes)
        m_state->prober.Cancel(id);
    m_state->probes.clear();
    m_state->pump.Reset();
    m_state->ended = true;
}

bool LinkCheck::Running() const {
    return m_state->started && !m_state->ended;
}

int LinkCheck::Done() const {
    return m_state->done;
}

int LinkCheck::Usable() const {
    return m_state->usable;
}

int LinkCheck::Failed() const {
    return m_state->failed;
}

}  // namespace pixquarry
