#pragma once

#include <string>

namespace pixquarry {

// The desktop's clipboard: text put there can be pasted into any program.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void SetText(const std::string& text) = 0;
};

}  // namespace pixquarry
