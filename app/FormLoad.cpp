// Start-up: the window's own values, the update check, then the banner.

#include "app/MainF1.h"
#include "web/PublisherSite.h"

namespace pixquarry {

MainF1::LoadOutcome MainF1::Form_Load() {
    SoftVer = 100;
    GetAppPath = m_seams.program.folder;
    if (GetAppPath.empty() || GetAppPath.back() != '/')
        GetAppPath += '/';
    TempPath = "updatetmpfiles";
    LogShow.SetText("程序启动完成。");
    UpdateCheck();
    if (m_handedOff)
        return LoadOutcome::HandedOff;
    AD1.Navigate(BannerAddress());
    return LoadOutcome::Continue;
}

}  // namespace pixquarry
