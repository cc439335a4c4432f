// Where downloads go: the default folder beside the program or one folder
// of the user's, and the button that shows it in the file manager.

#include <exception>

#include "app/MainF1.h"
#include "download/FolderPaths.h"
#include "platform/FileManager.h"
#include "platform/FolderBrowser.h"

namespace pixquarry {

DefaultFolderPlace MainF1::DefaultFolder() const {
    return ChooseDefaultFolder(m_seams.fileSystem, m_seams.program.folder,
                               m_seams.program.picturesFolder);
}

void MainF1::FileS1_Click() {
    // An installed copy cannot write beside itself: say where the pictures go.
    const DefaultFolderPlace place = DefaultFolder();
    Status(place.inPictures
               ? "选择下载的图片存放目录位置：" + place.folder + "（程序所在位置不可写入）"
               : "选择下载的图片存放目录位置：相对程序所在位置的 downimages 文件夹");
    FileS2Dir.SetText("");
    FileS2Dir.SetVisible(false);
    OpenDownDir.SetEnabled(true);
}

void MainF1::FileS2_MouseDown(std::int16_t Button) {
    if (Button != 1)
        return;
    Status("自定义下载文件的存放位置");
    FileS2Dir.SetVisible(true);
    BrowseDir("", [this](std::string folder) {
        FileS2Dir.SetText(std::move(folder));
        FileS2.SetValue(true);
        OpenDownDir.SetEnabled(true);
    });
}

void MainF1::BrowseDir(const std::string& title, FolderBrowser::Chosen chosen) {
    // Told nothing once the window is closing.
    FolderBrowser::Chosen told = [this, chosen = std::move(chosen)](std::string folder) {
        if (!m_unloading)
            chosen(std::move(folder));
    };
    try {
        m_seams.folders.BrowseDir(title, told);
    } catch (const std::exception&) {
        told({});
    }
}

void MainF1::OpenDownDir_Click() {
    std::string folder;
    if (FileS2.Value() && !FileS2Dir.Text().empty())
        folder = WithClosingSlash(FileS2Dir.Text());
    else if (NoProgramFolder())
        return;
    else
        folder = DefaultFolder().folder;
    Status("正在打开当前存放图片的文件夹： " + folder);
    m_seams.fileManager.ShowFolder(folder);
}

}  // namespace pixquarry
