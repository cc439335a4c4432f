// The help button, the two links to the publisher's site and the right press
// on the match-mode frame.

#include <string>

#include "app/MainF1.h"
#include "platform/Browser.h"
#include "platform/MessageBox.h"
#include "web/PublisherSite.h"

namespace pixquarry {

void MainF1::Command1_Click() {
    Status("查看软件的使用方法。");
    m_seams.box.Show(
        "操作步骤：双击CSS文件框 -> 选择支持的文件 -> 点击“提取图片” -> "
        "选择需要下载的图片及保存路径 -> 最后点击“下载”。\r\n"
        "（点击“打开下载目录”可以查看下载的图片。）");
}

void MainF1::Label6_Click() {
    m_seams.browser.Open(m_site);
}

void MainF1::NewSoftInfo_Click() {
    m_seams.browser.Open(DownloadPageAddress(m_site));
}

// A right press takes back every match mode, as when the window opened.
void MainF1::Frame1_MouseDown(std::int16_t Button) {
    if (Button != 2)
        return;
    for (int i = 0; i < PiPei.Count(); ++i)
        PiPei[i].SetValue(false);
}

}  // namespace pixquarry
