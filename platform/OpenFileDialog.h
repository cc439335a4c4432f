#pragma once

#include <functional>
#include <string>

namespace pixquarry {

// A modal open-file dialog.
class OpenFileDialog {
public:
    // The chosen file's full path, or "" when the user cancelled.
    using Chosen = std::function<void(std::string path)>;

    virtual ~OpenFileDialog() = default;
    // `filter` alternates descriptions and pattern lists, separated by "|"
    // ("Text|*.txt|All|*.*"). Opens the dialog and returns; `chosen` runs
    // once it is closed.
    virtual void ShowOpen(const std::string& title, const std::string& filter, Chosen chosen) = 0;
};

}  // namespace pixquarry
