#pragma once

#include <string>

namespace pixquarry {

// A modal folder chooser owned by the main window.
class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // The chosen folder's full path, without a closing "/" except at the
    // root; "" when the user cancelled.
    virtual std::string BrowseDir(const std::string& title) = 0;
};

}  // namespace pixquarry
