// Start-up: the window's own values, the update check, then the banner.

#include "app/MainF1.h"
#include "platform/FilePaths.h"
#include "platform/Version.h"
#include "web/PublisherSite.h"

namespace pixquarry {

namespace {

constexpr std::string_view kStarted = "程序启动完成。";
constexpr std::string_view kChecking = "正在检查更新……";

}  // namespace

void MainF1::Form_Load() {
    SoftVer = kSoftVer;
    if (!m_seams.program.folder.empty())
        GetAppPath = WithClosingSlash(m_seams.program.folder);
    TempPath = "updatetmpfiles";
    Status(std::string(kStarted));
    // Without a folder of its own there is nowhere to put the updater or the
    // default downloads; a build without a publisher's site asks nothing and
    // shows no banner.
    const bool folderKnown = !NoProgramFolder();
    FileS1.SetEnabled(folderKnown);
    if (!folderKnown || m_site.empty()) {
        CheckOver();
        return;
    }
    // Nothing can be started before a forced update: the controls wait for
    // the check's answer, which the window shows meanwhile.
    for (Control* control : Clickable()) {
        if (control->Enabled()) {
            control->SetEnabled(false);
            m_waitingForCheck.push_back(control);
        }
    }
    Status(std::string(kChecking));
    UpdateCheck();
}

// The check is over and the program goes on: the controls come back, and
// the banner loads.
void MainF1::CheckOver() {
    if (m_unloading)
        return;
    for (Control* control : m_waitingForCheck)
        control->SetEnabled(true);
    m_waitingForCheck.clear();
    if (LogShow.Text() == kChecking)
        Status(std::string(kStarted));
    if (!m_site.empty())
        AD1.Navigate(BannerAddress(m_site));
}

}  // namespace pixquarry
