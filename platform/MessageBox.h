#pragma once

#include <functional>
#include <string>

namespace pixquarry {

// A modal box with the text, an OK button only, no icon and the caption
// "Pixquarry". The window takes no input while it is open; nothing waits
// for it: what comes after the box runs in `closed`.
class MessageBox {
public:
    using Closed = std::function<void()>;

    virtual ~MessageBox() = default;
    // `closed` runs once the user has closed the box; not at all when the
    // window goes first.
    virtual void Show(const std::string& text, Closed closed = {}) = 0;
};

}  // namespace pixquarry
