#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pixquarry {

// What a link check asks of one address: the first bytes of its body, no
// more than needed to know the picture.
struct ProbeRequest {
    std::string url;
    std::int64_t rangeBytes = 64 * 1024;  // asked for with a Range request
    std::int64_t maxBytes = 256 * 1024;   // never read past this, Range ignored or not
    // Asked after each piece of body with all bytes so far: true ends the
    // transfer there. Empty: read to rangeBytes or the body's end.
    std::function<bool(std::string_view head)> enough;
};

struct ProbeAnswer {
    bool answered = false;  // a status arrived; an error status counts
    long status = 0;        // 0 when no answer came
    std::string error;      // why no usable answer came, in the user's words; empty otherwise
    std::string detail;     // the transfer layer's own words for a failure
    std::string contentType;
    std::string head;        // the body's first bytes, as far as read
    bool bodyEnded = false;  // `head` is the whole body
    // The whole picture's size in bytes, from Content-Range's total or
    // Content-Length; nothing when the answer gave neither.
    std::optional<std::int64_t> totalBytes;
};

// Reads the start of pictures on the network. Nothing waits: Probe starts the
// request and returns, and `answer` runs later from the event loop.
class LinkProber {
public:
    using Answer = std::function<void(ProbeAnswer answer)>;

    virtual ~LinkProber() = default;
    // `answer` runs once, from the loop, never inside Probe. Returns an id for Cancel.
    virtual std::uint64_t Probe(ProbeRequest request, Answer answer) = 0;
    // Drops a probe at once; its answer never runs. Over already, or 0: ignored.
    virtual void Cancel(std::uint64_t id) = 0;
    // Bytes received by this prober's transfers so far, headers left out.
    virtual std::int64_t Received() const { return 0; }
};

}  // namespace pixquarry
