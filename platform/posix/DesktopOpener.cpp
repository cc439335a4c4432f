#include "platform/posix/DesktopOpener.h"

#include "platform/WebAddress.h"
#include "platform/posix/PosixProcessStarter.h"

namespace pixquarry {

void DesktopOpener::Open(const std::string& url) {
    if (IsWebLink(url))
        StartDetached({"xdg-open", url}, "");
}

void DesktopOpener::ShowFolder(const std::string& path) {
    // A name that starts with "-" must not read as an option.
    StartDetached({"xdg-open", path.rfind('-', 0) == 0 ? "./" + path : path}, "");
}

}  // namespace pixquarry
