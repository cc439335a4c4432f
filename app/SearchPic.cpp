// The extraction run and the handlers around it: match modes, the domain box
// and the choice of the source file.

#include <string>
#include <utility>

#include "app/MainF1.h"
#include "app/WindowWork.h"
#include "extract/Harvest.h"
#include "extract/PageHarvest.h"
#include "platform/OpenFileDialog.h"
#include "platform/WebAddress.h"

namespace pixquarry {

namespace {

constexpr std::string_view kOpenTitle = "打开文件";
constexpr std::string_view kOpenFilter =
    "(*.css)CSS层叠样式表|*.css|(*.txt)文本文件|*.txt|所有支持文件|*.css;*.htm;*.html;*.txt;"
    "*.asp;*.php;*.aspx;*.js|(*.*)所有文件|*.*";

}  // namespace

void MainF1::SearchPic_Click() {
    Extract();
}

void MainF1::Extract() {
    const std::string source = OFile1.Text();
    if (source.empty() || source == kOFile1Hint) {
        // A file picked in the dialog starts a run of its own.
        m_lastRun = RunOutcome::NoFileNamed;
        OFile1_DblClick();
        return;
    }
    // A newer extraction supersedes an older one still fetching: the older
    // never touches the list or the status box again.
    CancelExtraction();
    CancelCheck();
    m_extraction = std::make_unique<Extraction>();
    Status(IsWebLink(source) ? "正在下载网页……" : "正在读取文件……");
    Extraction& run = *m_extraction;
    const std::uint64_t fetch =
        ReadSource(source, m_seams.files, m_seams.pages, [this, &run, source](SourceBytes read) {
            run.fetch = 0;
            SourceRead(source, std::move(read));
        });
    // A file is read by now; only an address is still on its way.
    if (IsWebLink(source))
        run.fetch = fetch;
}

void MainF1::CancelExtraction() {
    if (!m_extraction)
        return;
    if (m_extraction->fetch != 0)
        m_seams.pages.Cancel(m_extraction->fetch);
    m_extraction.reset();
}

void MainF1::SourceRead(const std::string& source, SourceBytes read) {
    if (!read.ok) {
        Status(read.failure);
        m_lastRun = RunOutcome::ReadFailed;
        return;
    }
    if (IsWebLink(source) && IsHtmlPage(read.contentType, read.bytes)) {
        ExtractPage(std::move(read));
        return;
    }

    m_origins.clear();
    Harvest harvest = HarvestLinks(source, std::move(read.bytes), DomainRule(WebUrl.Text()),
                                   [this](HarvestStep step, const Harvest& found) {
                                       switch (step) {
                                           case HarvestStep::Decoded:
                                               Status("文件读取完成。");
                                               Status("正在提取文件中的图片链接");
                                               break;
                                           case HarvestStep::Matched:
                                               for (const int mode : found.matchModes)
                                                   PiPei[mode].SetValue(true);
                                               Status("图片链接提取完成。");
                                               break;
                                           case HarvestStep::Filtering:
                                               Status("正在过滤重复的图片链接");
                                               break;
                                       }
                                   });
    if (!harvest.ok) {
        Status(harvest.failure);
        m_lastRun = RunOutcome::ReadFailed;
        return;
    }
    GetPic.Clear();
    GetPic.AddItems(std::move(harvest.links));
    Listed();
    Status("图片链接已完成载入列表。");
    m_lastRun = RunOutcome::Listed;
}

void MainF1::PiPei_Click(std::int16_t Index) {
    Status("选择 匹配模式");
    const bool custom = Index == 3;
    for (Control* marker :
         std::initializer_list<Control*>{&PPDefBeg, &PPDefEnd, &PPTBeg, &PPTEnd}) {
        marker->SetVisible(custom);
    }
}

void MainF1::WebUrl_GotFocus() {
    Status("请输入CSS文件所在的网站域名，若是绝对地址，双击此处留空即可。");
}

void MainF1::WebUrl_DblClick() {
    Status("清空当前的域名");
    WebUrl.SetText("");
}

void MainF1::OFile1_OLEDragDrop(const std::vector<std::string>& Data) {
    if (Data.empty() || Data.front().empty())
        return;
    OFile1.SetText(Data.front());
    SearchPic_Click();
}

void MainF1::OFile1_DblClick() {
    Status("选择文件。");
    OFile1.SetText("");
    m_seams.openFile.ShowOpen(std::string(kOpenTitle), std::string(kOpenFilter),
                              [this](std::string chosen) {
                                  if (m_unloading)
                                      return;
                                  if (chosen.empty()) {
                                      OFile1.SetText(std::string(kOFile1Hint));
                                      return;
                                  }
                                  OFile1.SetText(std::move(chosen));
                                  SearchPic_Click();
                              });
}

}  // namespace pixquarry
