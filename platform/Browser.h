#pragma once

#include <string>

namespace pixquarry {

// Opens a web address in the user's default browser and returns at once.
class Browser {
public:
    virtual ~Browser() = default;
    virtual void Open(const std::string& url) = 0;
};

}  // namespace pixquarry
