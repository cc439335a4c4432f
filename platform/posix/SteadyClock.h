#pragma once

#include <chrono>

#include "platform/Clock.h"

namespace pixquarry {

class SteadyClock final : public Clock {
public:
    double Now() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace pixquarry
