// The list's menu, the link check and the filter bar. A check asks about
// eight links at a time and shows each result at its row's end as it comes;
// the filter hides rows without taking them off the list, and a hidden row
// is neither ticked by 选择全部 nor downloaded.

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/MainF1.h"
#include "app/WindowWork.h"
#include "download/LinkCheck.h"
#include "platform/Clipboard.h"
#include "platform/MessageBox.h"

namespace pixquarry {

namespace {

constexpr int kCheckAtOnce = 8;
// The list's height without and with the filter bar under it.
constexpr int kListHeight = 3480;
constexpr int kBarHeight = 390;
constexpr int kEnter = 13;
constexpr int kEsc = 27;

// FilterType's entries past 全部, as a verdict names the type; the last,
// 其他, is any other picture.
constexpr std::array<std::string_view, 5> kTypes = {"png", "jpeg", "gif", "webp", "svg"};

bool ContainsFolded(std::string_view text, std::string_view part) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return fold(a) == fold(b); }) != text.end();
}

bool TypeMatches(int choice, const std::string& type) {
    if (choice <= static_cast<int>(kTypes.size()))
        return type == kTypes[static_cast<std::size_t>(choice - 1)];
    return std::find(kTypes.begin(), kTypes.end(), type) == kTypes.end();
}

// A least size in pixels: empty is none; false for anything but digits.
bool ReadMinimum(const std::string& text, int& pixels) {
    pixels = 0;
    if (text.empty())
        return true;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pixels);
    return error == std::errc() && end == text.data() + text.size() && pixels >= 0;
}

}  // namespace

bool MainF1::Checking() const {
    return m_check && !m_check->over;
}

const LinkVerdict* MainF1::VerdictOf(const std::string& link) const {
    const auto found = m_verdicts.find(link);
    return found == m_verdicts.end() ? nullptr : &found->second;
}

void MainF1::PopupMenu(const Menu& menu) {
    if (m_popup)
        m_popup(menu);
}

void MainF1::GetPic_MouseDown(std::int16_t Button) {
    if (Button != 2)
        return;
    const int current = GetPic.ListIndex();
    const bool onLink = current >= 0 && !GetPic.Hidden(current);
    mnuCheckAll.SetEnabled(GetPic.ListCount() > 0);
    mnuCopyLink.SetEnabled(onLink);
    mnuOpenLink.SetEnabled(onLink);
    PopupMenu(mnuList);
}

void MainF1::mnuCheckAll_Click() {
    StartCheck(AllLinks(), true);
}

void MainF1::mnuCopyLink_Click() {
    const int current = GetPic.ListIndex();
    if (current < 0)
        return;
    m_seams.clipboard.SetText(GetPic.List(current));
    Status("链接已复制到剪贴板。");
}

void MainF1::mnuFilter_Click() {
    ShowFilterBar(true);
}

void MainF1::Filter_KeyDown(int KeyCode) {
    if (KeyCode == kEsc) {
        ShowFilterBar(false);
        GetPic.SetFocus();
        return;
    }
    if (KeyCode != kEnter)
        return;
    Filtering filter;
    if (!ReadMinimum(FilterWidth.Text(), filter.minWidth) ||
        !ReadMinimum(FilterHeight.Text(), filter.minHeight)) {
        Alarm("最小宽度和最小高度须为整数（像素）。");
        return;
    }
    filter.text = FilterText.Text();
    filter.type = FilterType.ListIndex();
    filter.hideFailed = FilterFailed.Value();
    m_filter = std::move(filter);
    ApplyFilter();
}

void MainF1::ShowFilterBar(bool shown) {
    for (Control* control : std::initializer_list<Control*>{
             &Label7, &FilterText, &Label8, &FilterType, &Label9, &FilterWidth, &Label10,
             &FilterHeight, &FilterFailed, &FilterCount})
        control->SetVisible(shown);
    Twips list = GetPic.Place();
    list.Height = shown ? kListHeight - kBarHeight : kListHeight;
    if (list.Height != GetPic.Place().Height)
        GetPic.SetPlace(list);
    if (shown) {
        CountShown();
        FilterText.SetFocus();
        return;
    }
    m_filter.reset();
    if (GetPic.ShownCount() != GetPic.ListCount())
        GetPic.Filter([](int) { return false; });
}

bool MainF1::Hides(int index) const {
    const Filtering& filter = *m_filter;
    const std::string& link = GetPic.List(index);
    if (!ContainsFolded(link, filter.text))
        return true;
    const LinkVerdict* verdict = VerdictOf(link);
    if (filter.hideFailed && verdict && !verdict->ok)
        return true;
    if (!filter.NeedsCheck())
        return false;
    // A type or size shows only once the link's check has told it.
    if (!verdict || !verdict->ok || (filter.type != 0 && !TypeMatches(filter.type, verdict->type)))
        return true;
    return verdict->width < filter.minWidth || verdict->height < filter.minHeight;
}

void MainF1::ApplyFilter() {
    if (!m_filter)
        return;
    GetPic.Filter([this](int index) { return Hides(index); });
    CountShown();
    if (!m_filter->NeedsCheck() || (Checking() && m_check->wholeList))
        return;
    // The links the text lets through that nothing has told about yet.
    std::vector<std::string> unknown;
    for (int i = 0; i < GetPic.ListCount(); ++i) {
        const std::string& link = GetPic.List(i);
        if (ContainsFolded(link, m_filter->text) && !VerdictOf(link))
            unknown.push_back(link);
    }
    if (!unknown.empty())
        StartCheck(std::move(unknown), false);
}

void MainF1::CountShown() {
    FilterCount.SetCaption("显示 " + std::to_string(GetPic.ShownCount()) + " / 共 " +
                           std::to_string(GetPic.ListCount()) + " 个");
}

std::vector<std::string> MainF1::AllLinks() const {
    std::vector<std::string> links;
    links.reserve(static_cast<std::size_t>(GetPic.ListCount()));
    for (int i = 0; i < GetPic.ListCount(); ++i)
        links.push_back(GetPic.List(i));
    return links;
}

void MainF1::StartCheck(std::vector<std::string> links, bool wholeList) {
    CancelCheck();
    m_check = std::make_unique<Check>();
    Check& check = *m_check;
    check.wholeList = wholeList;
    // What the tip or an earlier check told is not asked again.
    for (std::string& link : links) {
        if (!VerdictOf(link))
            check.queue.push_back(link);
    }
    check.links = std::move(links);
    check.run = std::make_unique<LinkCheck>(
        m_seams.probes, kCheckAtOnce,
        [&check]() -> std::optional<LinkCheck::Link> {
            if (check.next >= check.queue.size())
                return std::nullopt;
            const std::size_t at = check.next++;
            return LinkCheck::Link{static_cast<int>(at), check.queue[at]};
        },
        [this, &check](int index, const LinkVerdict& verdict) {
            ++check.done;
            Judged(check.queue[static_cast<std::size_t>(index)], verdict);
            ShowCheckProgress();
        },
        [this] { LinksChecked(); });
    ShowCheckProgress();
    check.run->Start();
}

void MainF1::ShowCheckProgress() {
    Status("正在检查链接：已完成 " + std::to_string(m_check->done) + " / " +
           std::to_string(m_check->queue.size()));
}

void MainF1::CancelCheck() {
    if (m_check)
        m_check->run->Cancel();
    m_check.reset();
}

void MainF1::LinksChecked() {
    Check& check = *m_check;
    check.over = true;
    int usable = 0;
    int failed = 0;
    for (const std::string& link : check.links) {
        if (const LinkVerdict* verdict = VerdictOf(link))
            ++(verdict->ok ? usable : failed);
    }
    Status("检查完毕：可用 " + std::to_string(usable) + " 个，失败 " + std::to_string(failed) +
           " 个。");
}

void MainF1::Judged(const std::string& link, const LinkVerdict& verdict) {
    m_verdicts.insert_or_assign(link, verdict);
    const int row = GetPic.Find(link);
    if (row < 0)
        return;
    GetPic.SetMark(row, VerdictShort(verdict), !verdict.ok);
    if (m_filter) {
        GetPic.SetHidden(row, Hides(row));
        CountShown();
    }
}

void MainF1::Listed() {
    m_verdicts.clear();
    ApplyFilter();
    CountShown();
}

}  // namespace pixquarry
