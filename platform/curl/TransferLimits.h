#pragma once

#include <chrono>
#include <cstdint>

namespace pixquarry {

// How long and how much one transfer may take before it is given up.
struct TransferLimits {
    std::chrono::milliseconds connectTimeout{30000};
    // Fewer than stallBytes of body in any stallTime, once the request is
    // sent, counts as a dead peer.
    std::chrono::seconds stallTime{60};
    std::int64_t stallBytes = 1;
    std::chrono::milliseconds totalTimeout{0};  // 0: no limit
    std::int64_t maxBytes = 0;                  // body size after decoding; 0: no limit
    bool httpsOnly = false;                     // redirects included
};

// What the update check allows one request: a small document, quickly.
inline TransferLimits UpdateCheckLimits() {
    TransferLimits limits;
    limits.connectTimeout = std::chrono::seconds(10);
    limits.totalTimeout = std::chrono::seconds(15);
    limits.maxBytes = 16 * 1024 * 1024;
    return limits;
}

// What a web source, page or sheet may take: 256 MiB, 120 s in all, and
// never fewer than 1,024 bytes in 20 s.
inline TransferLimits SourceFetchLimits() {
    TransferLimits limits;
    limits.stallTime = std::chrono::seconds(20);
    limits.stallBytes = 1024;
    limits.totalTimeout = std::chrono::seconds(120);
    limits.maxBytes = std::int64_t{256} * 1024 * 1024;
    return limits;
}

// A picture for the hover preview: at once or not at all.
inline TransferLimits PreviewLimits() {
    TransferLimits limits;
    limits.connectTimeout = std::chrono::seconds(10);
    limits.totalTimeout = std::chrono::seconds(30);
    limits.maxBytes = 16 * 1024 * 1024;
    return limits;
}

// A link check's look at the start of a picture: a few hundred KiB at
// most, so a dead or crawling server is given up soon.
inline TransferLimits ProbeLimits() {
    TransferLimits limits;
    limits.connectTimeout = std::chrono::seconds(10);
    limits.stallTime = std::chrono::seconds(20);
    limits.totalTimeout = std::chrono::seconds(30);
    return limits;
}

}  // namespace pixquarry
