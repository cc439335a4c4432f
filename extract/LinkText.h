#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// Replaces every occurrence of `from` (exact, left to right, not overlapping;
// text put in is not looked at again).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Turns one raw match such as url('../img/a.png' into the bare link img/a.png.
std::string RepAll(std::string_view t0);

// The text after the last "/": the file name of a link.
std::string FGetLast(std::string_view t0);

}  // namespace pixquarry
