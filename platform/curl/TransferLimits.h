#pragma once

#include <chrono>
#include <cstdint>

namespace pixquarry {

// How long and how much one transfer may take before it is given up.
struct TransferLimits {
    std::chrono::milliseconds connectTimeout{30000};
    // Slower than stallBytesPerSecond for stallTime counts as a dead peer.
    std::chrono::seconds stallTime{60};
    long stallBytesPerSecond = 1;
    std::chrono::milliseconds totalTimeout{0};  // 0: no limit
    std::int64_t maxBytes = 0;                  // body size; 0: no limit
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

// What a stylesheet or page fetched by address may take: a download's
// time-outs, 256 MiB.
inline TransferLimits SourceFetchLimits() {
    TransferLimits limits;
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

}  // namespace pixquarry
