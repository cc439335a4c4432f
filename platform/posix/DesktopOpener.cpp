#include "platform/posix/DesktopOpener.h"

#include <algorithm>
#include <cctype>

#include "platform/posix/PosixProcessStarter.h"

namespace pixquarry {

namespace {

bool IsWebAddress(const std::string& url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string::npos)
        return false;
    std::string scheme = url.substr(0, colon);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme == "http" || scheme == "https";
}

}  // namespace

void DesktopOpener::Open(const std::string& url) {
    if (IsWebAddress(url))
        StartDetached({"xdg-open", url}, "");
}

void DesktopOpener::ShowFolder(const std::string& path) {
    // A name that starts with "-" must not read as an option.
    StartDetached({"xdg-open", path.rfind('-', 0) == 0 ? "./" + path : path}, "");
}

}  // namespace pixquarry
