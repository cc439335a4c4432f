#include "update/UpdateDecision.h"

#include <cstdio>
#include <vector>

#include "update/UpdateReply.h"

namespace pixquarry {

UpdateDecision DecideUpdate(std::string_view m, double softVer, bool selfUpdate) {
    UpdateDecision decision;
    const std::vector<std::string> fields = SplitReply(m);
    if (fields.size() < 2)
        return decision;
    const double offered = ReadVersionField(fields[0]);
    // An equal version is no news, and neither is a field that is no number.
    if (!(offered > softVer))
        return decision;
    decision.version = offered;
    if (!selfUpdate) {
        decision.kind = UpdateDecision::Kind::Announce;
    } else if (fields.size() < 5) {
        decision.kind = UpdateDecision::Kind::Incomplete;
    } else {
        decision.kind = UpdateDecision::Kind::HandOff;
        decision.updaterUrl = fields[3];
        decision.newSoftPath = fields[4];
    }
    return decision;
}

std::string Announcement(double version) {
    // 101 is version 1.01, as the user knows it.
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.2f", version / 100);
    return std::string("发现新版本 ") + shown + "，请通过软件包管理器升级。";
}

}  // namespace pixquarry
