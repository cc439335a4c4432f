#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// Turns one raw match such as url('../img/a.png' into the bare link img/a.png.
std::string RepAll(std::string_view t0);

// The text after the last "/": the file name of a link.
std::string FGetLast(std::string_view t0);

}  // namespace pixquarry
