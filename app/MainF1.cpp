#include "app/MainF1.h"

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/WindowWork.h"
#include "platform/HttpClient.h"
#include "web/PublisherSite.h"

namespace pixquarry {

namespace {

constexpr Colour kBlue = Colour{Colour::Kind::Rgb, 0, 0, 255};

template <typename T>
T& Styled(T& control, Colour colour, FontSpec font = {}) {
    control.SetForeColor(colour);
    control.SetFont(std::move(font));
    return control;
}

}  // namespace

MainF1::MainF1(Seams seams) : MainF1(std::move(seams), std::string(kPublisherHome)) {}

MainF1::MainF1(Seams seams, std::string site)
    : Label1("Label1", {120, 120, 975, 255}, nullptr, "CSS文件："),
      OFile1("OFile1", {1200, 120, 6615, 270}, nullptr, std::string(kOFile1Hint)),
      SearchPic("SearchPic", {7920, 120, 1215, 615}, nullptr, "提取图片"),
      Label2("Label2", {120, 480, 975, 255}, nullptr, "网站域名："),
      WebUrl("WebUrl", {1200, 480, 6615, 270}, nullptr, InitialDomain(site)),
      Frame1("Frame1", {120, 840, 7695, 735}, nullptr, "匹配模式"),
      PPDefBeg("PPDefBeg", {4560, 240, 495, 375}, &Frame1, "开始标记"),
      PPTBeg("PPTBeg", {5040, 240, 855, 375}, &Frame1, "url("),
      PPDefEnd("PPDefEnd", {6120, 240, 495, 375}, &Frame1, "结束标记"),
      PPTEnd("PPTEnd", {6600, 240, 855, 375}, &Frame1, ")"),
      DownPic("DownPic", {7920, 840, 1215, 855}, nullptr, "下载"),
      Frame2("Frame2", {120, 1680, 9015, 735}, nullptr, "文件保存位置"),
      FileS1("FileS1", {120, 240, 2535, 375}, &Frame2, "自动按目录下载(创建目录)", FolderChoice),
      FileS2("FileS2", {2760, 240, 1455, 375}, &Frame2, "指定单一目录", FolderChoice),
      FileS2Dir("FileS2Dir", {4200, 240, 4695, 375}, &Frame2, ""),
      AD1("AD1", {120, 2400, 5415, 1455}, nullptr),
      Label5("Label5", {5640, 2520, 3255, 495}, nullptr, "联系作者：support@pixquarry.example"),
      OpenDownDir("OpenDownDir", {7680, 3120, 1455, 615}, nullptr, "打开下载目录"),
      Label6("Label6", {5760, 3360, 1815, 375}, nullptr,
             std::string(kPublisherName) + " 友情提供：   " + site),
      SDownAll("SDownAll", {120, 3840, 1335, 375}, nullptr, "选择全部"),
      Command1("Command1", {7560, 3840, 1575, 375}, nullptr, "使 用 帮 助"),
      Label4("Label4", {1440, 3960, 3975, 255}, nullptr,
             "小提示：预览图片，直接双击选中的链接即可。"),
      NewSoftInfo("NewSoftInfo", {5400, 3960, 2175, 255}, nullptr, "访问官方网站下载更新"),
      GetPic("GetPic", {120, 4200, 9015, 3480}, nullptr),
      Frame3("Frame3", {120, 7680, 9015, 735}, nullptr, "操作状态"),
      LogShow("LogShow", {120, 240, 8775, 375}, &Frame3, ""),
      DownProgress("DownProgress", {120, 630, 8775, 60}, &Frame3),
      Label7("Label7", {120, 7350, 390, 300}, nullptr, "包含"),
      FilterText("FilterText", {510, 7320, 1650, 330}, nullptr, ""),
      Label8("Label8", {2220, 7350, 390, 300}, nullptr, "类型"),
      FilterType("FilterType", {2610, 7320, 1050, 330}, nullptr,
                 {"全部", "PNG", "JPEG", "GIF", "WebP", "SVG", "其他"}),
      Label9("Label9", {3720, 7350, 570, 300}, nullptr, "最小宽"),
      FilterWidth("FilterWidth", {4290, 7320, 600, 330}, nullptr, ""),
      Label10("Label10", {4950, 7350, 570, 300}, nullptr, "最小高"),
      FilterHeight("FilterHeight", {5520, 7320, 600, 330}, nullptr, ""),
      FilterFailed("FilterFailed", {6180, 7320, 1680, 330}, nullptr, "隐藏失败的链接"),
      FilterCount("FilterCount", {7890, 7290, 1245, 390}, nullptr, ""),
      mnuList("mnuList"),
      mnuCheckAll("mnuCheckAll", mnuList, "检查全部链接"),
      mnuCopyLink("mnuCopyLink", mnuList, "复制链接"),
      mnuOpenLink("mnuOpenLink", mnuList, "在浏览器中打开"),
      mnuFilter("mnuFilter", mnuList, "筛选…", "Ctrl+F"),
      Preview(seams.pictures, seams.thumbnails),
      m_seams(std::move(seams)),
      m_site(std::move(site)) {
    const char* const captions[] = {"url()", "url('')", "url(\"\")", "自定义"};
    const int lefts[] = {120, 1200, 2400, 3600};
    for (int i = 0; i < 4; ++i) {
        PiPei.Add("PiPei", Twips{lefts[i], 240, 975, 375}, &Frame1, captions[i], MatchModes);
    }

    Styled(OFile1, Colour::Rgb(255, 128, 0));
    Styled(DownPic, Colour{}, {"宋体", 12, true});
    Styled(FileS2Dir, Colour::Rgb(255, 0, 255), {"Microsoft Sans Serif", 12, false});
    Styled(Label5, kBlue, {"Microsoft Sans Serif", 9, false});
    Styled(SDownAll, Colour::Rgb(192, 0, 0), {"宋体", 10.5, true});
    Styled(Command1, Colour{}, {"楷体_GB2312", 12, false});
    Styled(NewSoftInfo, Colour::Highlight());
    Styled(GetPic, Colour::Highlight(), {"Lucida Sans Unicode", 10.5, true});
    Styled(LogShow, kBlue, {"MS Sans Serif", 9.75, true});

    for (Control* hidden : std::initializer_list<Control*>{&PPDefBeg, &PPTBeg, &PPDefEnd, &PPTEnd,
                                                           &FileS2Dir, &DownProgress}) {
        hidden->SetVisible(false);
    }
    ShowFilterBar(false);
    Preview.OnJudged(
        [this](const std::string& link, const LinkVerdict& verdict) { Judged(link, verdict); });
    // Without a publisher's site there is nothing for the two links to open.
    Label6.SetVisible(!m_site.empty());
    NewSoftInfo.SetVisible(!m_site.empty());
    OpenDownDir.SetEnabled(false);
    Bind();
}

MainF1::~MainF1() {
    Unload();
}

void MainF1::Unload() {
    m_unloading = true;
    Preview.Cancel();
    CancelCheck();
    if (m_run)
        m_run->loop->Cancel();
    CancelExtraction();
    // Only what is under way is touched: the seams need not outlive an idle window.
    if (m_updateFetch != 0)
        m_seams.http.Cancel(std::exchange(m_updateFetch, 0));
    if (m_updaterDownload != 0)
        m_seams.downloader.Cancel(std::exchange(m_updaterDownload, 0));
}

bool MainF1::Busy() const {
    return m_updateFetch != 0 || m_updaterDownload != 0 ||
           (m_extraction && (m_extraction->fetch != 0 || m_extraction->pageRunning)) ||
           (m_run && m_run->loop->Running()) || Checking();
}

// Every event the window reacts to, in one place.
void MainF1::Bind() {
    SearchPic.OnClick([this] { SearchPic_Click(); });
    for (int i = 0; i < PiPei.Count(); ++i)
        PiPei[i].OnClick([this, i] { PiPei_Click(static_cast<std::int16_t>(i)); });
    WebUrl.OnGotFocus([this] { WebUrl_GotFocus(); });
    WebUrl.OnDblClick([this] { WebUrl_DblClick(); });
    OFile1.OnDblClick([this] { OFile1_DblClick(); });
    OFile1.OnDrop([this](const std::vector<std::string>& data) { OFile1_OLEDragDrop(data); });
    GetPic.OnDblClick([this] { GetPic_DblClick(); });
    GetPic.OnGotFocus([this] { GetPic_GotFocus(); });
    GetPic.OnRest([this](int index) { GetPic_Rest(index); });
    GetPic.OnLeave([this] { GetPic_Leave(); });
    GetPic.OnMouseDown([this](int button) { GetPic_MouseDown(static_cast<std::int16_t>(button)); });
    mnuCheckAll.OnClick([this] { mnuCheckAll_Click(); });
    mnuCopyLink.OnClick([this] { mnuCopyLink_Click(); });
    mnuOpenLink.OnClick([this] { GetPic_DblClick(); });
    mnuFilter.OnClick([this] { mnuFilter_Click(); });
    for (Control* field : FilterBar())
        field->OnKeyDown([this](int key) { Filter_KeyDown(key); });
    SDownAll.OnMouseDown(
        [this](int button) { SDownAll_MouseDown(static_cast<std::int16_t>(button)); });
    FileS1.OnClick([this] { FileS1_Click(); });
    FileS2.OnMouseDown([this](int button) { FileS2_MouseDown(static_cast<std::int16_t>(button)); });
    OpenDownDir.OnClick([this] { OpenDownDir_Click(); });
    DownPic.OnClick([this] { DownPic_Click(); });
    Command1.OnClick([this] { Command1_Click(); });
    Label6.OnClick([this] { Label6_Click(); });
    NewSoftInfo.OnClick([this] { NewSoftInfo_Click(); });
    Frame1.OnMouseDown([this](int button) { Frame1_MouseDown(static_cast<std::int16_t>(button)); });
}

void MainF1::Status(std::string text) {
    LogShow.SetForeColor(kBlue);
    LogShow.SetText(std::move(text));
}

void MainF1::Alarm(std::string text) {
    LogShow.SetForeColor(Colour::Rgb(255, 0, 0));
    LogShow.SetText(std::move(text));
}

bool MainF1::NoProgramFolder() {
    if (!m_seams.program.folder.empty())
        return false;
    Alarm("无法确定程序所在的文件夹：不能自动更新，也不能使用默认下载目录。");
    return true;
}

int MainF1::SelectedMatchMode() const {
    for (int i = 0; i < PiPei.Count(); ++i) {
        if (PiPei[i].Value())
            return i;
    }
    return -1;
}

// The controls in keyboard focus order, as `const` as the window given.
template <typename Window>
auto InFocusOrder(Window& w) {
    using Pointer = std::conditional_t<std::is_const_v<Window>, const Control*, Control*>;
    return std::vector<Pointer>{&w.OFile1,       &w.SearchPic,  &w.WebUrl,      &w.PiPei[0],
                                &w.PPTEnd,       &w.PPTBeg,     &w.DownPic,     &w.GetPic,
                                &w.FilterText,   &w.FilterType, &w.FilterWidth, &w.FilterHeight,
                                &w.FilterFailed, &w.LogShow,    &w.PiPei[1],    &w.PiPei[2],
                                &w.PiPei[3],     &w.FileS2,     &w.FileS1,      &w.SDownAll,
                                &w.FileS2Dir,    &w.Command1,   &w.AD1,         &w.OpenDownDir};
}

std::vector<Control*> MainF1::Clickable() {
    std::vector<Control*> all = InFocusOrder(*this);
    all.insert(all.end(), {&Frame1, &Label6, &NewSoftInfo, &mnuFilter});
    return all;
}

std::vector<Control*> MainF1::FilterBar() {
    return {&FilterText, &FilterType, &FilterWidth, &FilterHeight, &FilterFailed};
}

std::vector<const Control*> MainF1::FocusOrder() const {
    return InFocusOrder(*this);
}

}  // namespace pixquarry
