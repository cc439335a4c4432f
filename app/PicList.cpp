// The picture list's handlers: tick or untick everything shown, preview, usage hint.

#include <cstdint>

#include "app/MainF1.h"
#include "platform/Browser.h"
#include "platform/MessageBox.h"
#include "platform/WebAddress.h"

namespace pixquarry {

void MainF1::SDownAll_MouseDown(std::int16_t Button) {
    const int count = GetPic.ListCount();
    if (Button == 1 && count > 0) {
        Status("选择全部文件 或 取消全部文件");
        // Counted without overflow: only the parity matters.
        isall = static_cast<std::int32_t>(static_cast<std::uint32_t>(isall) + 1u);
        const bool all = isall % 2 != 0;
        SDownAll.SetCaption(all ? "取消全选" : "选择全部");
        // A filter's hidden items keep their ticks.
        for (int i = 0; i < count; ++i) {
            if (!GetPic.Hidden(i))
                GetPic.SetSelected(i, all);
        }
    } else if (count == 0) {
        m_seams.box.Show("缺少选项");
    }
}

void MainF1::GetPic_DblClick() {
    const int current = GetPic.ListIndex();
    if (current < 0 || current >= GetPic.ListCount())
        return;
    const std::string& text = GetPic.List(current);
    // A style sheet could name a local program; only web addresses are opened.
    if (IsWebLink(text))
        m_seams.browser.Open(text);
}

void MainF1::GetPic_Rest(int Index) {
    if (Index < 0 || Index >= GetPic.ListCount())
        return;
    // A link a check found unusable needs no second request to say why.
    const std::string& link = GetPic.List(Index);
    const LinkVerdict* verdict = VerdictOf(link);
    Preview.Rest(link, verdict && !verdict->ok ? verdict->reason : std::string());
}

void MainF1::GetPic_Leave() {
    Preview.Leave();
}

void MainF1::GetPic_GotFocus() {
    Status("双击相应的图片地址，可以进行预览图片。在前面小方格内，可以勾选需要下载的图片。");
}

}  // namespace pixquarry
