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

}  // namespace pixquarry
