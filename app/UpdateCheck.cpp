// The update check and the hand-off to the updater.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "app/MainF1.h"
#include "platform/Downloader.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"
#include "platform/WebAddress.h"
#include "platform/posix/SystemReason.h"
#include "update/ProfileFile.h"
#include "update/UpdateReply.h"
#include "web/GetURL.h"
#include "web/PublisherSite.h"

namespace pixquarry {

namespace {

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Update.ini is made anew, empty, before its keys are written.
std::string RecreateEmpty(const std::string& path) {
    // A hand-off file the user made read-only is theirs, not ours to replace.
    if (Exists(path) && (::access(path.c_str(), W_OK) != 0 || ::unlink(path.c_str()) != 0))
        return SystemReason(errno);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return SystemReason(errno);
    return {};
}

}  // namespace

std::string MainF1::GetURL(const std::string& url) {
    GetUrlResult result = pixquarry::GetURL(m_seams.http, m_seams.clock, url);
    if (!result.message.empty())
        Status(result.message);
    return std::move(result.text);
}

void MainF1::UpdateCheck() {
    m = GetURL(UpdateAddress(m_site));
    const std::vector<std::string> fields = SplitReply(m);
    if (fields.size() < 2)
        return;
    const double offered = ReadVersionField(fields[0]);
    if (!(offered > SoftVer))
        return;
    if (!m_seams.program.selfUpdate) {
        // 101 is version 1.01, as the user knows it.
        char version[32];
        std::snprintf(version, sizeof version, "%.2f", offered / 100);
        LogShow.SetForeColor(Colour::Rgb(0, 0, 255));
        LogShow.SetText(std::string("发现新版本 ") + version + "，请通过软件包管理器升级。");
        return;
    }
    if (fields.size() < 5) {
        m_seams.box.Show("软件升级失败！");
        return;
    }

    const std::string updater = GetAppPath + "Update.exe";
    // The publisher's files carry no header of Pixquarry's own. Asked over
    // https, the site must hand the updater over https too, redirects
    // included: nobody on the way may swap it for another program.
    DownloadRequest request{fields[3], GetAppPath, "Update.exe"};
    request.sendReferer = false;
    request.httpsOnly = IsSecureAddress(UpdateAddress(m_site));
    if (request.httpsOnly &&
        (!IsSecureAddress(request.url) || !m_seams.downloader.Download(request).ok)) {
        m_seams.box.Show("软件升级失败！");
        return;
    }
    if (!request.httpsOnly)
        m_seams.downloader.Download(request);
    // Whether the download worked is seen from the file alone: an updater
    // left from an earlier start serves as well. A site that did not answer
    // is passed over in silence, a folder the updater cannot go into is not.
    if (!IsFile(updater)) {
        if (::access(GetAppPath.c_str(), W_OK) != 0)
            m_seams.box.Show("无法保存升级程序“" + updater + "”：" + SystemReason(errno));
        return;
    }

    const std::string ini = GetAppPath + "Update.ini";
    if (const std::string problem = RecreateEmpty(ini); !problem.empty()) {
        m_seams.box.Show("无法创建文件“" + ini + "”：" + problem);
        return;
    }
    const std::string appName = std::filesystem::path(m_seams.program.exeName).stem().string();
    const std::pair<const char*, std::string> keys[] = {{"Ver", GeneralNumber(offered)},
                                                        {"AppPath", GetAppPath},
                                                        {"AppName", appName},
                                                        {"TempPath", TempPath},
                                                        {"NewSoftPath", fields[4]}};
    // The updater cannot work from half a hand-off file.
    for (const auto& [key, value] : keys) {
        if (const std::string problem = WriteGoIni(ini, "UpdateSet", key, value);
            !problem.empty()) {
            m_seams.box.Show("无法写入文件“" + ini + "”：" + problem);
            return;
        }
    }

    const std::string work = GetAppPath + TempPath;
    if (!Exists(work) && ::mkdir(work.c_str(), 0777) != 0) {
        m_seams.box.Show("无法创建文件夹“" + work + "”：" + SystemReason(errno));
        return;
    }

    m_seams.box.Show("软件有更新，需要立即升级！");
    struct stat info {};
    if (::stat(updater.c_str(), &info) == 0)
        ::chmod(updater.c_str(), info.st_mode | S_IXUSR);
    if (const std::string problem = m_seams.processes.Start(updater, GetAppPath);
        !problem.empty()) {
        m_seams.box.Show("无法启动“" + updater + "”：" + problem);
        return;
    }
    m_handedOff = true;
}

}  // namespace pixquarry
