// The download run: every ticked link into the target folder, one after the
// other, with a coloured status line each and a count at the end. The run
// moves on from each transfer's callback; the window keeps taking input
// meanwhile.

#include <algorithm>
#include <string>

#include "app/MainF1.h"
#include "app/WindowWork.h"
#include "download/DownloadRun.h"
#include "download/FolderPaths.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace pixquarry {

namespace {

const Colour kGreen = Colour::Rgb(0, 255, 0);

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
            problem = MakeDownloadFolder(m_seams.fileSystem,
                                         WithClosingSlash(m_seams.program.picturesFolder));
        if (problem.empty())
            problem = MakeDownloadFolder(m_seams.fileSystem, target);
        if (!problem.empty()) {
            Alarm(problem);
            return false;
        }
        return true;
    }
    if (FileS2Dir.Text().empty() || !FileS2.Value()) {
        // The run ends here; the user presses 下载 again once there is a folder.
        m_seams.box.Show("未选择下载目录", [this] {
            if (m_unloading)
                return;
            FileS2.SetValue(true);
            FileS2Dir.SetVisible(true);
            BrowseDir("", [this](std::string folder) { FileS2Dir.SetText(std::move(folder)); });
        });
        return false;
    }
    // One line for a mistyped folder rather than a failure for every item.
    if (m_seams.fileSystem.KindOf(FileS2Dir.Text()) != FileSystem::Kind::Folder) {
        Alarm("下载目录不存在：" + FileS2Dir.Text());
        return false;
    }
    target = WithClosingSlash(FileS2Dir.Text());
    return true;
}

void MainF1::DownPic_Click() {
    std::string target;
    bool inPictures = false;
    if (SettleTargetFolder(target, inPictures))
        StartRun(std::move(target), inPictures);
}

void MainF1::StartRun(std::string target, bool inPictures) {
    // One run at a time: the button is grey until this one is over.
    DownPic.SetEnabled(false);
    m_run = std::make_unique<PictureRun>();
    m_run->target = std::move(target);
    m_run->inPictures = inPictures;
    m_run->count = GetPic.ListCount();
    m_run->loop = std::make_unique<DownloadLoop>(
        m_seams.downloader, 1, [this] { return NextTicked(); },
        [this](const DownloadRequest& request, const DownloadResult& result) {
            ItemSaved(request, result);
        },
        [this] { RunOver(); });
    m_run->loop->Start();
}

std::optional<DownloadRequest> MainF1::NextTicked() {
    PictureRun& run = *m_run;
    for (; run.next < run.count; ++run.next) {
        // An extraction since the start may have shortened the list; what
        // is no longer there is not read.
        if (run.next >= GetPic.ListCount())
            break;
        // A filter's hidden items are not taken, ticked or not.
        if (!GetPic.Selected(run.next) || GetPic.Hidden(run.next))
            continue;
        DownloadRequest request = RequestFor(GetPic.List(run.next++), run.target);
        ShowProgress(1);
        return request;
    }
    run.next = run.count;
    return std::nullopt;
}

// The bar counts what the run will still fetch, ticks made since the start
// included, so it is never full while a transfer is under way.
// `taken`: items taken from the list that the loop does not hold yet.
void MainF1::ShowProgress(int taken) {
    const PictureRun& run = *m_run;
    int ahead = 0;
    for (int i = run.next, end = std::min(run.count, GetPic.ListCount()); i < end; ++i)
        ahead += GetPic.Selected(i) && !GetPic.Hidden(i) ? 1 : 0;
    DownProgress.SetRange(run.done, run.done + run.loop->Underway() + taken + ahead);
    DownProgress.SetVisible(true);
}

void MainF1::ItemSaved(const DownloadRequest& request, const DownloadResult& result) {
    ++m_run->done;
    ShowProgress(0);
    if (result.ok) {
        LogShow.SetForeColor(kGreen);
        LogShow.SetText(std::string(kSavedLine) + request.fileName);
    } else {
        // The reason goes with the name: a full disk or a locked folder
        // is something the user can mend.
        Alarm(std::string(kNotSavedLine) + request.fileName + "（" + result.error + "）");
    }
}

void MainF1::RunOver() {
    DownProgress.SetVisible(false);
    std::string summary = m_run->loop->Summary();
    // The first run into the pictures folder names it: the user may look
    // beside the program otherwise.
    if (m_run->inPictures && !m_picturesFolderNamed) {
        summary += "图片保存在：" + m_run->target;
        m_picturesFolderNamed = true;
    }
    Status(summary);
    OpenDownDir.SetEnabled(true);
    DownPic.SetEnabled(true);
}

}  // namespace pixquarry
