#pragma once

#include <string>

#include "platform/Browser.h"
#include "platform/FileManager.h"

namespace pixquarry {

// The desktop's opener, xdg-open, shows web addresses in the default browser
// and folders in the file manager. What it opens reaches it as its one
// argument: no shell reads a link or a folder name on the way.
class DesktopOpener final : public Browser, public FileManager {
public:
    // Only http and https: nothing the desktop would run or open locally.
    void Open(const std::string& url) override;
    void ShowFolder(const std::string& path) override;
};

}  // namespace pixquarry
