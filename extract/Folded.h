#pragma once

#include <cctype>
#include <string_view>

namespace pixquarry {

// `text` equals `lower` (in lower case) with ASCII letters in any case.
inline bool EqualsFolded(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != lower[i])
            return false;
    }
    return true;
}

}  // namespace pixquarry
