// Start-up: the window's own values, the update check, then the banner.

#include "app/MainF1.h"
#include "platform/FilePaths.h"
#include "platform/Version.h"
#include "web/PublisherSite.h"

namespace pixquarry {

MainF1::LoadOutcome MainF1::Form_Load() {
    SoftVer = kSoftVer;
    if (!m_seams.program.folder.empty())
        GetAppPath = WithClosingSlash(m_seams.program.folder);
    TempPath = "updatetmpfiles";
    Status("程序启动完成。");
    // Without a folder of its own there is nowhere to put the updater or the
    // default downloads; a build without a publisher's site asks nothing and
    // shows no banner.
    const bool folderKnown = !NoProgramFolder();
    FileS1.SetEnabled(folderKnown);
    if (folderKnown && !m_site.empty()) {
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
        Status(std::string(kChecking));
        UpdateCheck();
        for (Control* control : waiting)
            control->SetEnabled(true);
        if (LogShow.Text() == kChecking)
            Status("程序启动完成。");
        if (m_handedOff)
            return LoadOutcome::HandedOff;
    }
    if (!m_site.empty())
        AD1.Navigate(BannerAddress(m_site));
    return LoadOutcome::Continue;
}

}  // namespace pixquarry
