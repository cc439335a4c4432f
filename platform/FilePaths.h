#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// `folder` with a closing "/" added when it has none. An empty folder stays
// empty: adding "/" to nothing would name the root, which nobody meant.
inline std::string WithClosingSlash(std::string_view folder) {
    std::string result(folder);
    if (!result.empty() && result.back() != '/')
        result += '/';
    return result;
}

}  // namespace pixquarry
