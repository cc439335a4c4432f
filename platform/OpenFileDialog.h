#pragma once

#include <string>

namespace pixquarry {

// A modal open-file dialog.
class OpenFileDialog {
public:
    virtual ~OpenFileDialog() = default;
    // `filter` alternates descriptions and pattern lists, separated by "|"
    // ("Text|*.txt|All|*.*"). Returns the chosen file's full path, or "" when
    // the user cancelled.
    virtual std::string ShowOpen(const std::string& title, const std::string& filter) = 0;
};

}  // namespace pixquarry
