#pragma once

#include <string>

namespace pixquarry {

// A modal box with the text, an OK button only, no icon and the caption
// "Pixquarry". Returns when the user has closed it.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void Show(const std::string& text) = 0;
};

}  // namespace pixquarry
