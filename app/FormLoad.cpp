// Start-up: the window's own values, the update check, then the banner.

#include "app/MainF1.h"
#include "platform/FilePaths.h"
#include "web/PublisherSite.h"

namespace pixquarry {

MainF1::LoadOutcome MainF1::Form_Load() {
    SoftVer = 100;
    GetAppPath = WithClosingSlash(m_seams.program.folder);
    TempPath = "updatetmpfiles";
    // Nothing can be started before a forced update: the controls wait
    // for the check's answer, which the window shows meanwhile.
    constexpr std::string_view kChecking = "正在检查更新……";
    std::vector<Control*> waiting;
    for (Control* control : Clickable()) {
        if (control->Enabled()) {
            control->SetEnabled(false);
            waiting.push_back(control);
        }
    }
    LogShow.SetText(std::string(kChecking));
    UpdateCheck();
    for (Control* control : waiting)
        control->SetEnabled(true);
    if (LogShow.Text() == kChecking)
        LogShow.SetText("程序启动完成。");
    if (m_handedOff)
        return LoadOutcome::HandedOff;
    AD1.Navigate(BannerAddress());
    return LoadOutcome::Continue;
}

}  // namespace pixquarry
