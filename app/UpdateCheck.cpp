// The update check: the question to the publisher's site, what its answer
// leads to, and the updater's download. Each step goes on in the callback of
// the one before; closing the window cancels whatever is under way.

#include <string>
#include <utility>

#include "app/MainF1.h"
#include "platform/Downloader.h"
#include "platform/HttpClient.h"
#include "platform/MessageBox.h"
#include "platform/WebAddress.h"
#include "update/UpdateDecision.h"
#include "web/GetURL.h"
#include "web/PublisherSite.h"

namespace pixquarry {

std::uint64_t MainF1::GetURL(const std::string& url, std::function<void(std::string text)> got) {
    return pixquarry::GetURL(m_seams.http, m_seams.clock, url,
                             [this, got = std::move(got)](GetUrlResult result) {
                                 if (!result.message.empty())
                                     Status(result.message);
                                 got(std::move(result.text));
                             });
}

void MainF1::UpdateCheck() {
    m_updateFetch = GetURL(UpdateAddress(m_site), [this](std::string m) {
        m_updateFetch = 0;
        UpdateReplied(DecideUpdate(m, SoftVer, m_seams.program.selfUpdate));
    });
}

void MainF1::UpdateReplied(const UpdateDecision& decision) {
    switch (decision.kind) {
        case UpdateDecision::Kind::NoNews:
            CheckOver();
            return;
        case UpdateDecision::Kind::Announce:
            Status(Announcement(decision.version));
            CheckOver();
            return;
        case UpdateDecision::Kind::Incomplete:
            m_seams.box.Show("软件升级失败！", [this] { CheckOver(); });
            return;
        case UpdateDecision::Kind::HandOff:
            FetchUpdater(decision);
            return;
    }
}

void MainF1::FetchUpdater(const UpdateDecision& decision) {
    // The publisher's files carry no header of Pixquarry's own. Asked over
    // https, the site must hand the updater over https too, redirects
    // included: nobody on the way may swap it for another program.
    DownloadRequest request{decision.updaterUrl, GetAppPath, "Update.exe"};
    request.sendReferer = false;
    request.httpsOnly = IsSecureAddress(UpdateAddress(m_site));
    if (request.httpsOnly && !IsSecureAddress(request.url)) {
        m_seams.box.Show("软件升级失败！", [this] { CheckOver(); });
        return;
    }
    m_updaterDownload = m_seams.downloader.Download(
        request, [this, decision, secure = request.httpsOnly](const DownloadResult& result) {
            m_updaterDownload = 0;
            if (secure && !result.ok) {
                m_seams.box.Show("软件升级失败！", [this] { CheckOver(); });
                return;
            }
            // Over http, whether the download worked is seen from the file
            // alone: an updater left from an earlier start serves as well.
            HandOff(decision);
        });
}

}  // namespace pixquarry
