#pragma once

namespace pixquarry {

// Seconds on a clock that never jumps back (not the time of day).
class Clock {
public:
    virtual ~Clock() = default;
    virtual double Now() = 0;
};

}  // namespace pixquarry
