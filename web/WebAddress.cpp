#include "web/WebAddress.h"

#include <cctype>

namespace pixquarry {

namespace {

// `text` starts with `scheme` (lower case) in any letter case, and goes on.
bool StartsWithScheme(std::string_view text, std::string_view scheme) {
    if (text.size() <= scheme.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i])
            return false;
    }
    return true;
}

}  // namespace

bool IsWebLink(std::string_view text) {
    return StartsWithScheme(text, "http://") || StartsWithScheme(text, "https://");
}

bool IsSecureAddress(std::string_view text) {
    return StartsWithScheme(text, "https://");
}

}  // namespace pixquarry
