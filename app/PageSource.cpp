// A web page named in OFile1: its stylesheets are followed, and the list
// holds the links resolved against them, without the domain in front.

#include <string>
#include <utility>
#include <vector>

#include "app/MainF1.h"
#include "app/WindowWork.h"
#include "extract/PageHarvest.h"

namespace pixquarry {

void MainF1::ExtractPage(SourceBytes page) {
    Status("网页下载完成，正在读取其中的样式表……");
    Extraction& run = *m_extraction;
    run.page = std::make_unique<PageHarvest>(m_seams.pages);
    run.pageRunning = true;
    run.page->Start(page.address, std::move(page.bytes), page.contentType,
                    [this, &run](Harvest harvest) {
                        run.pageRunning = false;
                        PageListed(std::move(harvest));
                    });
}

void MainF1::PageListed(Harvest harvest) {
    if (!harvest.ok) {
        Status(harvest.failure);
        m_lastRun = RunOutcome::ReadFailed;
        return;
    }
    for (const int mode : harvest.matchModes)
        PiPei[mode].SetValue(true);
    Status("正在过滤重复的图片链接");
    m_origins.clear();
    for (std::size_t i = 0; i < harvest.links.size(); ++i)
        m_origins.emplace(harvest.links[i], std::move(harvest.from[i]));
    GetPic.Clear();
    GetPic.AddItems(std::move(harvest.links));
    Listed();
    // What went unread turns the closing line red: failed sheets first,
    // then the limits that were reached.
    std::vector<std::string> unread = std::move(harvest.limitsReached);
    if (!harvest.failures.empty())
        unread.insert(unread.begin(), "有 " + std::to_string(harvest.failures.size()) +
                                          " 个样式表无法读取：" +
                                          SheetFailureLine(harvest.failures.front()));
    if (!unread.empty()) {
        std::string line = unread.front();
        for (std::size_t i = 1; i < unread.size(); ++i)
            line += "；" + unread[i];
        Alarm(line);
    } else if (harvest.emptyPage) {
        Status(std::string(kEmptyPage) + "。");
    } else {
        Status("图片链接已完成载入列表（已按各样式表的地址补全链接）。");
    }
    m_lastRun = RunOutcome::Listed;
}

const std::vector<LinkOrigin>& MainF1::OriginsOf(const std::string& item) const {
    static const std::vector<LinkOrigin> kNone;
    const auto found = m_origins.find(item);
    return found == m_origins.end() ? kNone : found->second;
}

}  // namespace pixquarry
