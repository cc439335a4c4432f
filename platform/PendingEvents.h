#pragma once

namespace pixquarry {

// Lets the window handle what is waiting (repaints, clicks, keys), running
// the handlers they trigger to their end, then comes back.
class PendingEvents {
public:
    virtual ~PendingEvents() = default;
    virtual void DoEvents() = 0;
};

}  // namespace pixquarry
