#pragma once

#include <string_view>

namespace pixquarry {

// An http or https address (scheme in any letter case): the only kind
// Pixquarry fetches or hands to the browser.
bool IsWebLink(std::string_view text);
// An https address (scheme in any letter case).
bool IsSecureAddress(std::string_view text);

}  // namespace pixquarry
