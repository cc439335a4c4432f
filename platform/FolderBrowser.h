#pragma once

#include <functional>
#include <string>

namespace pixquarry {

// A modal folder chooser owned by the main window.
class FolderBrowser {
public:
    // The chosen folder's full path, without a closing "/" except at the
    // root; "" when the user cancelled.
    using Chosen = std::function<void(std::string folder)>;

    virtual ~FolderBrowser() = default;
    // Opens the chooser and returns; `chosen` runs once it is closed.
    virtual void BrowseDir(const std::string& title, Chosen chosen) = 0;
};

}  // namespace pixquarry
