#include "platform/curl/EngineProber.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/WebAddress.h"

namespace pixquarry {

namespace {

// A header line's value when it is the header `name` (lower case), in any
// letter case; nothing otherwise.
std::optional<std::string_view> HeaderValue(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':')
        return std::nullopt;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = line[i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != name[i])
            return std::nullopt;
    }
    line.remove_prefix(name.size() + 1);
    const std::size_t start = line.find_first_not_of(" \t");
    const std::size_t end = line.find_last_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view()
                                           : line.substr(start, end + 1 - start);
}

std::optional<std::int64_t> Number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

}  // namespace

// One probe: what came so far and the request under way. A server that
// honours Range but hides the size past the first range is asked once more
// for the rest up to the cap.
struct EngineProber::Pending {
    std::uint64_t id = 0;
    std::uint64_t transfer = 0;  // the engine's id of the request under way
    int refusal = 0;             // the timer that tells a refusal
    ProbeRequest request;
    Answer answer;
    ProbeAnswer result;
    std::int64_t from = 0;  // the first byte the request under way asked for
    std::int64_t skip = 0;  // bytes of a whole answer to a later range already had
    // The answer being received, from its headers.
    std::optional<std::int64_t> length, rangeStart, rangeEnd, rangeTotal;
    std::int64_t got = 0;  // its body bytes so far
};

EngineProber::EngineProber(TransferEngine& engine, TransferLimits limits)
    : m_engine(engine), m_limits(limits) {
    // The cap is the probe's own: the bytes up to it are kept, not refused.
    m_limits.maxBytes = 0;
}

EngineProber::~EngineProber() {
    for (const auto& [id, probe] : m_pending)
        Drop(*probe);
}

void EngineProber::Drop(Pending& probe) {
    m_engine.Cancel(probe.transfer);
    m_engine.Loop().StopTimer(probe.refusal);
}

std::uint64_t EngineProber::Probe(ProbeRequest request, Answer answer) {
    auto probe = std::make_unique<Pending>();
    probe->id = ++m_lastId;
    probe->request = std::move(request);
    probe->answer = std::move(answer);
    Pending& started = *probe;
    m_pending.emplace(probe->id, std::move(probe));
    if (IsWebLink(started.request.url)) {
        Ask(started, started.request.url);
    } else {
        // Only a full http(s) address is fetched, as for downloads; the answer
        // still comes from the loop.
        started.refusal =
            m_engine.Loop().StartTimer(std::chrono::milliseconds(0), [this, &started] {
                started.result.error = "不是完整的网址";
                Tell(started);
            });
    }
    return started.id;
}

void EngineProber::Cancel(std::uint64_t id) {
    const auto found = m_pending.find(id);
    if (found == m_pending.end())
        return;
    Drop(*found->second);
    m_pending.erase(found);
}

void EngineProber::Ask(Pending& probe, const std::string& url) {
    const ProbeRequest& request = probe.request;
    probe.from = static_cast<std::int64_t>(probe.result.head.size());
    const std::int64_t last =
        (probe.from == 0 ? std::min(request.rangeBytes, request.maxBytes) : request.maxBytes) - 1;
    TransferHooks hooks;
    hooks.headers.push_back("Range: bytes=" + std::to_string(probe.from) + "-" +
                            std::to_string(last));
    hooks.identity = true;
    hooks.header = [&probe](std::string_view line, long status) {
        if (line.starts_with("HTTP/")) {
            probe.length = probe.rangeStart = probe.rangeEnd = probe.rangeTotal = std::nullopt;
            probe.got = 0;
        } else if (const auto length = HeaderValue(line, "content-length")) {
            probe.length = Number(*length);
        } else if (const auto range = HeaderValue(line, "content-range")) {
            // "bytes FIRST-LAST/TOTAL", TOTAL "*" when the server does not know it.
            const std::size_t dash = range->find('-');
            const std::size_t slash = range->find('/');
            if (range->starts_with("bytes ") && dash != std::string_view::npos &&
                slash != std::string_view::npos && dash < slash) {
                probe.rangeStart = Number(range->substr(6, dash - 6));
                probe.rangeEnd = Number(range->substr(dash + 1, slash - dash - 1));
                probe.rangeTotal = Number(range->substr(slash + 1));
            }
        }
        // An error answer is known by its status: its page is not read.
        return !(status >= 400 && (line == "\r\n" || line == "\n"));
    };
    probe.skip = 0;
    probe.transfer = m_engine.Start(
        url, m_limits, {},
        [this, &probe](std::string_view chunk, long status, std::string&) {
            if (status / 100 != 2)
                return true;
            m_received += static_cast<std::int64_t>(chunk.size());
            probe.got += static_cast<std::int64_t>(chunk.size());
            if (status == 200 && probe.from > 0) {
                // Range ignored this time: the bytes already had come first.
                const auto dropped = std::min<std::int64_t>(
                    probe.from - probe.skip, static_cast<std::int64_t>(chunk.size()));
                probe.skip += dropped;
                chunk.remove_prefix(static_cast<std::size_t>(dropped));
            } else if (status == 206 && probe.rangeStart.value_or(0) != probe.from) {
                return false;  // not the bytes that follow: what came is all there is
            }
            std::string& head = probe.result.head;
            const auto room = static_cast<std::size_t>(probe.request.maxBytes) - head.size();
            head.append(chunk.substr(0, room));
            const bool full = head.size() >= static_cast<std::size_t>(probe.request.maxBytes);
            // An answer whose last byte is here ends by itself, and its
            // connection is kept for the next probe.
            const std::optional<std::int64_t> length =
                status == 206 && probe.rangeStart && probe.rangeEnd
                    ? std::optional(*probe.rangeEnd - *probe.rangeStart + 1)
                    : probe.length;
            if (length && probe.got >= *length && !full)
                return true;
            return !full && !(probe.request.enough && !chunk.empty() && probe.request.enough(head));
        },
        [this, &probe](const CurlOutcome& outcome) { Ended(probe, outcome); }, std::move(hooks));
}

void EngineProber::Ended(Pending& probe, const CurlOutcome& outcome) {
    ProbeAnswer& result = probe.result;
    const bool first = probe.from == 0;
    // A range past the end of the file: the first one held all of it.
    if (!first && outcome.status == 416) {
        result.bodyEnded = true;
        return Tell(probe);
    }
    if (first) {
        result.answered = outcome.status != 0;
        result.status = outcome.status;
        result.contentType = outcome.contentType;
    }
    if (!outcome.transferred) {
        result.error = outcome.error;
        result.detail = outcome.detail;
        return Tell(probe);
    }
    if (outcome.status / 100 != 2)
        return Tell(probe);
    if (outcome.status == 206 && probe.rangeTotal)
        result.totalBytes = probe.rangeTotal;
    else if (outcome.status != 206 && first && probe.length)
        result.totalBytes = probe.length;
    if (outcome.stopped)
        return Tell(probe);
    // The body ended: the whole file, or one range of it.
    result.bodyEnded = true;
    if (outcome.status == 206) {
        const auto head = static_cast<std::int64_t>(result.head.size());
        const std::int64_t asked = first
                                       ? std::min(probe.request.rangeBytes, probe.request.maxBytes)
                                       : probe.request.maxBytes;
        // Fewer bytes than asked for, with no total told, is the file's end;
        // so is a range with nothing in it, which asking again would repeat.
        result.bodyEnded =
            probe.got == 0 || (probe.rangeTotal ? head >= *probe.rangeTotal
                                                : probe.rangeEnd.value_or(asked - 1) + 1 < asked);
        if (!result.bodyEnded && first && head < probe.request.maxBytes &&
            !(probe.request.enough && probe.request.enough(result.head)))
            return Ask(probe, outcome.finalUrl);
    }
    Tell(probe);
}

void EngineProber::Tell(Pending& probe) {
    // Out of the table first: the answer may start or cancel probes.
    auto node = m_pending.extract(probe.id);
    probe.answer(std::move(probe.result));
}

}  // namespace pixquarry
