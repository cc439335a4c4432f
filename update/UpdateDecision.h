#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// What the publisher's reply means to the running copy.
struct UpdateDecision {
    enum class Kind {
        NoNews,      // no reply, too few fields, or no newer version
        Announce,    // newer, but a package manager owns this copy: only say so
        Incomplete,  // newer, but the reply lacks the updater's fields
        HandOff,     // newer: fetch the updater and hand over
    };
    Kind kind = Kind::NoNews;
    double version = 0;       // the offered version, 101 for 1.01
    std::string updaterUrl;   // where the updater comes from
    std::string newSoftPath;  // handed to the updater as it came
};

// The decision for reply `m` and a copy at version `softVer` (100 for
// 1.00); `selfUpdate` is false where a package manager owns the copy.
UpdateDecision DecideUpdate(std::string_view m, double softVer, bool selfUpdate);

// The status line that announces `version` to a copy that cannot update
// itself: "发现新版本 1.01，请通过软件包管理器升级。"
std::string Announcement(double version);

}  // namespace pixquarry
