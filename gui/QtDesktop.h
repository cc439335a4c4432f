#pragma once

#include "platform/PendingEvents.h"

namespace pixquarry {

// Lets the window's waiting events through during a download run.
class QtDesktop final : public PendingEvents {
public:
    void DoEvents() override;
};

}  // namespace pixquarry
