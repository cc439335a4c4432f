#pragma once

// Pixquarry's one window: its controls, its window-level values and its event
// handlers. Everything here is plain C++; what the window needs of the system
// comes in through the platform seams given to the constructor.
//
// Nothing here waits. A handler that needs the network starts the transfer
// and returns; what comes next runs in the transfer's callback, on the same
// one thread. A newer extraction cancels an older one, closing the window
// cancels everything, and no callback runs after that.
//
// The controls keep the names the window has always had:
//
// | Name                     | What it is                                          |
// |--------------------------|-----------------------------------------------------|
// | `OFile1`                 | the source box: a file path or a web address        |
// | `SearchPic`              | 提取图片, the extract button                        |
// | `WebUrl`                 | the domain put in front of every link               |
// | `Frame1`, `PiPei` 0-3    | the match mode frame and its four options           |
// | `PPDefBeg`, `PPTBeg`     | the custom mode's start marker, label and box       |
// | `PPDefEnd`, `PPTEnd`     | the custom mode's end marker, label and box         |
// | `DownPic`                | 下载, the download button                           |
// | `Frame2`, `FileS1`       | the folder frame; the default folder option         |
// | `FileS2`, `FileS2Dir`    | the own folder option and its path                  |
// | `AD1`                    | the banner from the publisher's site                |
// | `OpenDownDir`            | 打开下载目录, shows the folder in the file manager  |
// | `SDownAll`               | 选择全部, ticks or unticks every link               |
// | `GetPic`                 | the sorted check-box list of links                  |
// | `Frame3`, `LogShow`      | the status frame and its one-line status box        |
// | `DownProgress`           | the thin bar under the status box during a run      |
// | `Command1`               | 使 用 帮 助, the help button                        |
// | `Label1`, `Label2`       | the captions CSS文件： and 网站域名：               |
// | `Label4`                 | the preview tip under the list                      |
// | `Label5`, `Label6`       | the author's contact; the publisher's home link     |
// | `NewSoftInfo`            | the link to the publisher's download page           |
// | `SoftVer`, `GetAppPath`  | the version (100 for 1.00); the program's folder    |
// | `TempPath`               | the updater's work folder, beside the program       |
// | `isall`                  | presses on 选择全部 so far; odd: all ticked         |
// | `BrowseDir`, `GetURL`    | the folder chooser; the update reply as text        |
// | `mnuList`, `mnu…`        | the list's right-click menu and its four entries    |
// | `Filter…`, `Label7`-`10` | the filter bar under the list and its captions      |

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/CheckListBox.h"
#include "app/Controls.h"
#include "app/HoverPreview.h"
#include "download/FolderPaths.h"
#include "download/LinkCheck.h"
#include "extract/Harvest.h"
#include "platform/Downloader.h"
#include "platform/FolderBrowser.h"
#include "platform/ProgramInfo.h"
#include "web/GetURL.h"

namespace pixquarry {

class Browser;
class Clipboard;
class Clock;
class LinkCheck;
class LinkProber;
class FileManager;
class FileReader;
class FileSystem;
class HttpClient;
class MessageBox;
class OpenFileDialog;
class ProcessStarter;
class ThumbnailMaker;
struct UpdateDecision;

// The system facilities the window's handlers use, given by the front end.
struct Seams {
    FileReader& files;
    FileSystem& fileSystem;
    OpenFileDialog& openFile;
    FolderBrowser& folders;
    MessageBox& box;
    Browser& browser;
    FileManager& fileManager;
    Downloader& downloader;  // pictures, and the updater
    HttpClient& http;        // the update check's short requests
    HttpClient& pages;       // stylesheets and pages named by address
    HttpClient& pictures;    // the hover preview's pictures
    ThumbnailMaker& thumbnails;
    LinkProber& probes;  // the link check's requests
    Clipboard& clipboard;
    ProcessStarter& processes;
    Clock& clock;
    ProgramInfo program;
};

// What the last extraction run came to.
enum class RunOutcome { NoFileNamed, ReadFailed, Listed };

class MainF1 final {
public:
    static constexpr std::string_view kCaption = "Pixquarry";
    // Client area in twips: 616 by 564 pixels at 96 dpi.
    static constexpr int kClientWidth = 9240;
    static constexpr int kClientHeight = 8460;
    static constexpr std::string_view kOFile1Hint = "在此双击选择需要获取的CSS文件";

    // `site`: the publisher's web site, "" for none; the build's by default.
    explicit MainF1(Seams seams);
    MainF1(Seams seams, std::string site);
    MainF1(const MainF1&) = delete;
    MainF1& operator=(const MainF1&) = delete;
    ~MainF1();

    // Event handlers, bound to their controls in Bind().
    void SearchPic_Click();
    void PiPei_Click(std::int16_t Index);
    void WebUrl_GotFocus();
    void WebUrl_DblClick();
    void OFile1_DblClick();
    // Files or addresses dropped on the window; the first one is harvested.
    void OFile1_OLEDragDrop(const std::vector<std::string>& Data);
    void GetPic_DblClick();
    void GetPic_GotFocus();
    // The pointer rests on a row of the list, or leaves it: the preview tip.
    void GetPic_Rest(int Index);
    void GetPic_Leave();
    void GetPic_MouseDown(std::int16_t Button);
    void SDownAll_MouseDown(std::int16_t Button);
    // The list's menu.
    void mnuCheckAll_Click();
    void mnuCopyLink_Click();
    void mnuFilter_Click();
    // Enter applies the filter bar, Esc closes it.
    void Filter_KeyDown(int KeyCode);
    void FileS1_Click();
    void FileS2_MouseDown(std::int16_t Button);
    void OpenDownDir_Click();
    void DownPic_Click();
    void Command1_Click();
    void Label6_Click();
    void NewSoftInfo_Click();
    void Frame1_MouseDown(std::int16_t Button);

    // The load handler; the front end runs it once the window is up. The
    // update check goes on after it has returned, with the controls disabled
    // until the answer is in.
    void Form_Load();
    // Runs when the updater has taken over and the program must end.
    void OnHandedOff(std::function<void()> end) { m_handedOffTo = std::move(end); }
    bool HandedOff() const { return m_handedOff; }

    // Window procedures. The chooser is modal; `chosen` gets "" after a
    // cancel or a failure.
    void BrowseDir(const std::string& title, FolderBrowser::Chosen chosen);
    // Shows `menu` at the pointer; the view does, and returns at once.
    void PopupMenu(const Menu& menu);
    void OnPopupMenu(std::function<void(const Menu&)> show) { m_popup = std::move(show); }
    std::uint64_t GetURL(const std::string& url, std::function<void(std::string text)> got);

    // The window is closing: everything under way is cancelled, and nothing
    // writes a file, shows a box or starts a program after this.
    void Unload();
    bool Unloading() const { return m_unloading; }
    // Whether a transfer the window started is still under way: the update
    // check or the updater, an extraction, a download run, a link check.
    bool Busy() const;
    bool Checking() const;
    // What a check or the hover tip found out about a link, if anything.
    const LinkVerdict* VerdictOf(const std::string& link) const;

    // The outcome of the most recent extraction run.
    RunOutcome LastRun() const { return m_lastRun; }
    // Where a list item was found when the list came from a followed web
    // page; empty otherwise.
    const std::vector<LinkOrigin>& OriginsOf(const std::string& item) const;
    // The match mode that is selected, or -1 when none is.
    int SelectedMatchMode() const;
    // Controls in keyboard focus order.
    std::vector<const Control*> FocusOrder() const;

    // Window-level values.
    std::int16_t SoftVer = 0;
    std::string GetAppPath;
    std::string TempPath;

    // Controls, containers before what they hold.
    OptionGroup MatchModes;
    OptionGroup FolderChoice;
    Label Label1;
    TextBox OFile1;
    CommandButton SearchPic;
    Label Label2;
    TextBox WebUrl;
    Frame Frame1;
    ControlArray<OptionButton> PiPei;
    Label PPDefBeg;
    TextBox PPTBeg;
    Label PPDefEnd;
    TextBox PPTEnd;
    CommandButton DownPic;
    Frame Frame2;
    OptionButton FileS1;
    OptionButton FileS2;
    TextBox FileS2Dir;
    WebBrowser AD1;
    Label Label5;
    CommandButton OpenDownDir;
    Label Label6;
    CheckBox SDownAll;
    CommandButton Command1;
    Label Label4;
    Label NewSoftInfo;
    CheckListBox GetPic;
    Frame Frame3;
    TextBox LogShow;
    ProgressBar DownProgress;  // below LogShow; shown only while a download run goes on
    // The filter bar along the bottom of the list, hidden until asked for.
    Label Label7;
    TextBox FilterText;  // text the link must contain
    Label Label8;
    ComboBox FilterType;  // 全部 / PNG / JPEG / GIF / WebP / SVG / 其他
    Label Label9;
    TextBox FilterWidth;  // the least width in pixels; empty for any
    Label Label10;
    TextBox FilterHeight;
    TickBox FilterFailed;  // 隐藏失败的链接
    Label FilterCount;     // 显示 N / 共 M 个
    Menu mnuList;
    MenuItem mnuCheckAll;
    MenuItem mnuCopyLink;
    MenuItem mnuOpenLink;
    MenuItem mnuFilter;

    // The hover preview of GetPic: what is fetched and kept; the view shows the tip.
    HoverPreview Preview;

private:
    struct Extraction;
    struct PictureRun;
    struct Check;
    // What the filter bar asks for once Enter applied it.
    struct Filtering {
        std::string text;
        int type = 0;  // FilterType's index
        int minWidth = 0;
        int minHeight = 0;
        bool hideFailed = false;
        bool NeedsCheck() const { return type != 0 || minWidth > 0 || minHeight > 0; }
    };

    void Bind();
    // Every control the user can press, type into or pick.
    std::vector<Control*> Clickable();
    // The filter bar's fields in Tab order.
    std::vector<Control*> FilterBar();
    // Status lines: Status in blue for what a step is doing, Alarm in red for
    // what went wrong.
    void Status(std::string text);
    void Alarm(std::string text);
    // True, after saying so, when the program's own folder is not known.
    bool NoProgramFolder();

    // The extraction run, in the order its steps come.
    void Extract();
    void CancelExtraction();
    void SourceRead(const std::string& source, SourceBytes read);
    void ExtractPage(SourceBytes page);
    void PageListed(Harvest harvest);

    // The download run, from the press to the summary.
    DefaultFolderPlace DefaultFolder() const;
    bool SettleTargetFolder(std::string& target, bool& inPictures);
    void StartRun(std::string target, bool inPictures);
    std::optional<DownloadRequest> NextTicked();
    void ItemSaved(const DownloadRequest& request, const DownloadResult& result);
    void RunOver();
    void ShowProgress(int taken);

    // Link checks and the filter.
    // Checks `links` but those already known; `wholeList`: all of GetPic.
    void StartCheck(std::vector<std::string> links, bool wholeList);
    void ShowCheckProgress();
    void CancelCheck();
    std::vector<std::string> AllLinks() const;
    void Judged(const std::string& link, const LinkVerdict& verdict);
    void LinksChecked();
    void ShowFilterBar(bool shown);
    void ApplyFilter();
    bool Hides(int index) const;
    void CountShown();
    // A new list: what was known of the old one goes.
    void Listed();

    // Start-up: the check, what its answer leads to, and the hand-off.
    void UpdateCheck();
    void UpdateReplied(const UpdateDecision& decision);
    void FetchUpdater(const UpdateDecision& decision);
    void HandOff(const UpdateDecision& decision);
    std::string WriteHandOffFile(const UpdateDecision& decision);
    void StartUpdater();
    void CheckOver();

    Seams m_seams;
    std::string m_site;
    std::int32_t isall = 0;
    RunOutcome m_lastRun = RunOutcome::NoFileNamed;
    std::unordered_map<std::string, std::vector<LinkOrigin>> m_origins;
    std::unique_ptr<Extraction> m_extraction;
    std::unique_ptr<PictureRun> m_run;
    std::unique_ptr<Check> m_check;
    std::unordered_map<std::string, LinkVerdict> m_verdicts;
    std::optional<Filtering> m_filter;
    std::function<void(const Menu&)> m_popup;
    std::vector<Control*> m_waitingForCheck;  // disabled until the update check is over
    std::uint64_t m_updateFetch = 0;
    std::uint64_t m_updaterDownload = 0;
    std::function<void()> m_handedOffTo;
    bool m_unloading = false;
    bool m_handedOff = false;
    bool m_picturesFolderNamed = false;
};

}  // namespace pixquarry
