#pragma once

// Pixquarry's one window: its controls, its window-level values and its event
// handlers. Everything here is plain C++; what the window needs of the system
// comes in through the platform seams given to the constructor.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/CheckListBox.h"
#include "app/Controls.h"
#include "download/FolderPaths.h"
#include "extract/Harvest.h"
#include "platform/ProgramInfo.h"

namespace pixquarry {

class Browser;
class Clock;
class Downloader;
class FileManager;
class FileReader;
class FolderBrowser;
class HttpClient;
class MessageBox;
class OpenFileDialog;
class PendingEvents;
class ProcessStarter;

// The system facilities the window's handlers use, given by the front end.
struct Seams {
    FileReader& files;
    OpenFileDialog& openFile;
    FolderBrowser& folders;
    MessageBox& box;
    Browser& browser;
    FileManager& fileManager;
    PendingEvents& events;
    Downloader& downloader;
    HttpClient& http;   // the update check's short requests
    HttpClient& pages;  // stylesheets and pages named by address
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
    void SDownAll_MouseDown(std::int16_t Button);
    void FileS1_Click();
    void FileS2_MouseDown(std::int16_t Button);
    void OpenDownDir_Click();
    void DownPic_Click();
    void Command1_Click();
    void Label6_Click();
    void NewSoftInfo_Click();
    void Frame1_MouseDown(std::int16_t Button);

    // The load handler; the front end runs it before it shows the window.
    // HandedOff: the updater has taken over and the program must end now.
    enum class LoadOutcome { Continue, HandedOff };
    LoadOutcome Form_Load();

    // Window procedures.
    std::string BrowseDir(const std::string& title);
    std::string GetURL(const std::string& url);

    // The window is closing: a download run stops after its current item.
    void Unload() { m_unloading = true; }
    bool Unloading() const { return m_unloading; }

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
    std::string m;
    std::int32_t isall = 0;

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

private:
    void Bind();
    // Every control the user can press, type into or pick.
    std::vector<Control*> Clickable();
    // Status lines: Status in blue for what a step is doing, Alarm in red for
    // what went wrong.
    void Status(std::string text);
    void Alarm(std::string text);
    // True, after saying so, when the program's own folder is not known.
    bool NoProgramFolder();
    RunOutcome Extract();
    DefaultFolderPlace DefaultFolder() const;
    bool SettleTargetFolder(std::string& target, bool& inPictures);
    RunOutcome ExtractPage(SourceBytes page);
    void UpdateCheck();

    Seams m_seams;
    std::string m_site;
    RunOutcome m_lastRun = RunOutcome::NoFileNamed;
    std::unordered_map<std::string, std::vector<LinkOrigin>> m_origins;
    bool m_unloading = false;
    bool m_handedOff = false;
    bool m_picturesFolderNamed = false;
};

}  // namespace pixquarry
