#pragma once

#include <cctype>
#include <string_view>

namespace pixquarry {

// `text` starts with `scheme` (lower case) in any letter case, and goes on.
inline bool StartsWithScheme(std::string_view text, std::string_view scheme) {
    if (text.size() <= scheme.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i])
            return false;
    }
    return true;
}

// An http or https address (scheme in any letter case): the only kind
// Pixquarry fetches or hands to the browser.
inline bool IsWebLink(std::string_view text) {
    return StartsWithScheme(text, "http://") || StartsWithScheme(text, "https://");
}

// An https address (scheme in any letter case).
inline bool IsSecureAddress(std::string_view text) {
    return StartsWithScheme(text, "https://");
}

}  // namespace pixquarry
