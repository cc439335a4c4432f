#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pixquarry {

// The absolute address `reference` names when read on the page at `base`
// (RFC 3986, by libcurl's URL parser), without its fragment. Nothing when the
// reference is empty or only a fragment (it names the page itself), when
// either address does not parse (one with a NUL byte never does), or when the
// result is not http or https.
std::optional<std::string> ResolveReference(const std::string& base, std::string_view reference);

}  // namespace pixquarry
