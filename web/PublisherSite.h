#pragma once

#include <string>
#include <string_view>

#ifndef PIXQUARRY_SITE
#error "PIXQUARRY_SITE comes from the build (CMake cache variable of the same name)"
#endif

namespace pixquarry {

// The publisher's web site, chosen when Pixquarry is built: scheme, host and
// optional port, no closing "/". Every address the program reaches on it
// starts here. Empty by default: a build without a site asks it nothing.
inline constexpr std::string_view kPublisherHome = PIXQUARRY_SITE;
inline constexpr std::string_view kPublisherName = "Pixquarry官方网站";

// What the domain box holds when the window opens.
inline std::string InitialDomain(std::string_view home = kPublisherHome) {
    return home.empty() ? std::string() : std::string(home) + "/";
}
// The paths keep their letter case: the update path has capitals.
inline std::string UpdateAddress(std::string_view home) {
    return std::string(home) + "/FileList/mysoft/Pixquarry/?rinfo=update";
}
// Asks for a banner of AD1's size in twips.
inline std::string BannerAddress(std::string_view home) {
    return std::string(home) + "/filelist/info/?softname=pixquarry&w=5415&h=1455";
}
inline std::string DownloadPageAddress(std::string_view home) {
    return std::string(home) + "/filelist/mysoft/pixquarry/download";
}

}  // namespace pixquarry
