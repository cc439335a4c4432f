#pragma once

#include <string_view>

namespace pixquarry {

// The publisher's web site. Every address the program reaches on it starts here.
inline constexpr std::string_view kPublisherHome = "http://www.pixquarry.example";
inline constexpr std::string_view kPublisherName = "Pixquarry官方网站";

}  // namespace pixquarry
