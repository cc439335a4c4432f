#pragma once

// Pixquarry's one window: its controls, its window-level values and its event
// handlers. Everything here is plain C++; what the window needs of the system
// comes in through the platform seams given to the constructor.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/CheckListBox.h"
#include "app/Controls.h"

namespace pixquarry {

class FileReader;
class OpenFileDialog;

// The system facilities the window's handlers use.
struct Seams {
    FileReader& files;
    OpenFileDialog& openFile;
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

    explicit MainF1(Seams seams);
    MainF1(const MainF1&) = delete;
    MainF1& operator=(const MainF1&) = delete;

    // Event handlers.
    void SearchPic_Click();
    void PiPei_Click(std::int16_t Index);
    void WebUrl_GotFocus();
    void WebUrl_DblClick();
    void OFile1_DblClick();

    // The outcome of the most recent extraction run.
    RunOutcome LastRun() const { return m_lastRun; }
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

private:
    RunOutcome Extract();
    void MarkMatchMode(std::string_view text);

    Seams m_seams;
    RunOutcome m_lastRun = RunOutcome::NoFileNamed;
};

}  // namespace pixquarry
