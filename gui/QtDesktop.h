#pragma once

#include "platform/Browser.h"
#include "platform/FileManager.h"
#include "platform/PendingEvents.h"

namespace pixquarry {

// What the desktop does for the window: the default browser, the file
// manager, and letting waiting events through during a download run.
class QtDesktop final : public Browser, public FileManager, public PendingEvents {
public:
    void Open(const std::string& url) override;
    void ShowFolder(const std::string& path) override;
    void DoEvents() override;
};

}  // namespace pixquarry
