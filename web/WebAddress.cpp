#include "web/WebAddress.h"

#include <cctype>

namespace pixquarry {

bool IsWebLink(std::string_view text) {
    auto startsWith = [text](std::string_view scheme) {
        if (text.size() <= scheme.size())
            return false;
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i])
                return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

}  // namespace pixquarry
