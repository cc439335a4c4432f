// The download run: every ticked link into the target folder, one after the
// other, with a coloured status line each and a count at the end.

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "app/MainF1.h"
#include "download/DownloadRun.h"
#include "download/FolderPaths.h"
#include "platform/Downloader.h"
#include "platform/MessageBox.h"
#include "platform/PendingEvents.h"

namespace pixquarry {

namespace {

const Colour kGreen = Colour::Rgb(0, 255, 0);

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

// Works out this run's folder. False when the run must end before downloading.
bool MainF1::SettleTargetFolder(std::string& target, bool& inPictures) {
    if (FileS1.Value()) {
        if (NoProgramFolder())
            return false;
        const DefaultFolderPlace place = DefaultFolder();
        target = place.folder;
        inPictures = place.inPictures;
        // The pictures folder is a known place, not a mistyped one: a new
        // account may not have it yet.
        std::string problem;
        if (place.inPictures)
            problem = MakeDownloadFolder(WithClosingSlash(m_seams.program.picturesFolder));
        if (problem.empty())
            problem = MakeDownloadFolder(target);
        if (!problem.empty()) {
            Alarm(problem);
            return false;
        }
        return true;
    }
    if (FileS2Dir.Text().empty() || !FileS2.Value()) {
        m_seams.box.Show("未选择下载目录");
        FileS2.SetValue(true);
        FileS2Dir.SetVisible(true);
        FileS2Dir.SetText(BrowseDir(""));
        return false;
    }
    // One line for a mistyped folder rather than a failure for every item.
    if (!IsFolder(FileS2Dir.Text())) {
        Alarm("下载目录不存在：" + FileS2Dir.Text());
        return false;
    }
    target = WithClosingSlash(FileS2Dir.Text());
    return true;
}

void MainF1::DownPic_Click() {
    std::string target;
    bool inPictures = false;
    if (!SettleTargetFolder(target, inPictures))
        return;

    // A second press would start a run inside this one.
    DownPic.SetEnabled(false);
    int succeeded = 0;
    int failed = 0;
    const int count = GetPic.ListCount();
    int ticked = 0;
    for (int i = 0; i < count; ++i)
        ticked += GetPic.Selected(i) ? 1 : 0;
    int done = 0;
    RunNames names;

    for (int i = 0; i < count; ++i) {
        // A run or an extraction started in the gap below may have shortened
        // the list; what is no longer there is not read.
        if (i >= GetPic.ListCount() || m_unloading)
            break;
        if (!GetPic.Selected(i))
            continue;
        DownProgress.SetRange(done, ticked);
        DownProgress.SetVisible(true);
        DownloadRequest request = RequestFor(GetPic.List(i), target);
        request.fileName = names.Claim(request.fileName);
        const std::string& fileName = request.fileName;
        const DownloadResult result = m_seams.downloader.Download(request);
        ++done;
        DownProgress.SetRange(done, ticked);
        m_seams.events.DoEvents();
        if (result.ok) {
            LogShow.SetForeColor(kGreen);
            LogShow.SetText("下载成功：" + fileName);
            ++succeeded;
        } else {
            // The reason goes with the name: a full disk or a locked folder
            // is something the user can mend.
            Alarm("下载失败：" + fileName + "（" + result.error + "）");
            ++failed;
        }
    }

    DownProgress.SetVisible(false);
    std::string summary = RunSummary(succeeded, failed);
    // The first run into the pictures folder names it: the user may look
    // beside the program otherwise.
    if (inPictures && !m_picturesFolderNamed) {
        summary += "图片保存在：" + target;
        m_picturesFolderNamed = true;
    }
    Status(summary);
    OpenDownDir.SetEnabled(true);
    DownPic.SetEnabled(true);
}

}  // namespace pixquarry
