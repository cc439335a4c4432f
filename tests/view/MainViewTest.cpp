// The Qt window's wiring, on real widgets under the offscreen platform.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/MainF1.h"
#include "gui/ChineseTranslations.h"
#include "gui/MainView.h"
#include "gui/PicListModel.h"
#include "gui/QtEventLoop.h"
#include "gui/QtOpenFileDialog.h"
#include "gui/QtOwnedDialogs.h"
#include "platform/curl/TransferEngine.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/OpenWatch.h"
#include "tests/support/TestHttpServer.h"

namespace pixquarry {
namespace {

// The handlers run once the event that raised them is over.
void Settle() {
    QCoreApplication::processEvents();
}

// Two presses and releases through the window system, as a user makes them.
void DoubleClick(QWidget* widget, Qt::MouseButton button) {
    QTest::mouseDClick(widget->window()->windowHandle(), button, {},
                       widget->mapTo(widget->window(), widget->rect().center()));
}

class MainViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    }

    template <typename W>
    W* Widget(const Control& control) {
        auto* widget = qobject_cast<W*>(m_view.WidgetFor(control));
        EXPECT_NE(widget, nullptr) << control.Name();
        return widget;
    }
    QString LogText() { return Widget<QLineEdit>(m_model.LogShow)->text(); }
    QListView* List() { return Widget<QListView>(m_model.GetPic); }

    void ClickOption(const OptionButton& option) {
        QRadioButton* radio = Widget<QRadioButton>(option);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
        Settle();
    }

    QTemporaryDir m_dir;
    testing::FakeSeams m_seams;
    MainF1 m_model{m_seams.Make(), "http://www.pixquarry.example"};
    MainView m_view{m_model, m_seams.browser};
};

TEST_F(MainViewTest, StartsFixedInSizeWithTheModelsColoursAndFocus) {
    EXPECT_EQ(m_view.minimumSize(), m_view.maximumSize()) << "the window must not resize";
    QLineEdit* file = Widget<QLineEdit>(m_model.OFile1);
    EXPECT_EQ(file->palette().color(QPalette::Text), QColor(255, 128, 0));
    EXPECT_EQ(m_view.focusWidget(), file);
}

// Tab goes through the controls in the window's order, one stop per option
// group: the selected option, or the first in that order (FileS2, not FileS1).
TEST_F(MainViewTest, TabFollowsTheFocusOrder) {
    const auto walk = [this] {
        std::vector<std::string> names;
        QWidget* at = Widget<QLineEdit>(m_model.OFile1);
        at->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 12; ++i) {
            for (const Control* control : m_model.FocusOrder()) {
                if (m_view.WidgetFor(*control) == QApplication::focusWidget())
                    names.push_back(control->Name());
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return names;
    };
    const std::vector<std::string> start = {"OFile1",   "SearchPic", "WebUrl",  "PiPei",
                                            "DownPic",  "GetPic",    "LogShow", "FileS2",
                                            "SDownAll", "Command1",  "AD1",     "OFile1"};
    EXPECT_EQ(walk(), start);
    ClickOption(m_model.PiPei[3]);  // the markers show; the selected option is the stop
    EXPECT_EQ(walk(), (std::vector<std::string>{"OFile1", "SearchPic", "WebUrl", "PPTEnd", "PPTBeg",
                                                "DownPic", "GetPic", "LogShow", "PiPei", "FileS2",
                                                "SDownAll", "Command1"}));
}

TEST_F(MainViewTest, InputReachesTheRightHandlerOnce) {
    const std::string site = "http://www.pixquarry.example";
    QLineEdit* domain = Widget<QLineEdit>(m_model.WebUrl);
    QPushButton* command = Widget<QPushButton>(m_model.Command1);
    const QString start = domain->text();
    // What the input before it came to; then everything is set back.
    const auto expect = [&](const char* name, const std::vector<std::string>& opened,
                            std::size_t boxes, const QString& text, const QString& log) {
        Settle();
        EXPECT_EQ(m_seams.browser.opened, opened) << name;
        EXPECT_EQ(m_seams.box.shown.size(), boxes) << name;
        EXPECT_EQ(domain->text(), text) << name;
        EXPECT_EQ(LogText(), log) << name;
        m_seams.browser.opened.clear();
        m_seams.box.shown.clear();
        m_model.WebUrl.SetText(start.toStdString());
        m_model.LogShow.SetText("");
    };
    QTest::mouseClick(Widget<QLabel>(m_model.Label6), Qt::LeftButton);
    expect("a label's click", {site}, 0, start, "");
    DoubleClick(Widget<QLabel>(m_model.NewSoftInfo), Qt::LeftButton);
    expect("a label's double-click is one click", {site + "/filelist/mysoft/pixquarry/download"}, 0,
           start, "");
    DoubleClick(domain, Qt::MiddleButton);  // focus only
    expect("a middle double-click is none", {}, 0, start,
           QStringLiteral("请输入CSS文件所在的网站域名，若是绝对地址，双击此处留空即可。"));
    DoubleClick(domain, Qt::LeftButton);
    expect("a left double-click is", {}, 0, "", QStringLiteral("清空当前的域名"));
    command->setFocus();
    QTest::keyClick(command, Qt::Key_Return);
    expect("Enter presses the focused button", {}, 1, start,
           QStringLiteral("查看软件的使用方法。"));
    QTest::keyClick(command, Qt::Key_Enter, Qt::KeypadModifier);
    expect("so does the keypad's Enter", {}, 1, start, QStringLiteral("查看软件的使用方法。"));
}

// With the fonts the project installs, at 96 dpi.
TEST_F(MainViewTest, EveryCaptionFitsItsBox) {
    m_model.mnuFilter_Click();  // the filter bar too, with a long count
    m_model.GetPic.AddItems(std::vector<std::string>(12345, "x"));
    for (const Label* control :
         {&m_model.Label1, &m_model.Label2, &m_model.PPDefBeg, &m_model.PPDefEnd, &m_model.Label5,
          &m_model.Label6, &m_model.Label4, &m_model.NewSoftInfo, &m_model.Label7, &m_model.Label8,
          &m_model.Label9, &m_model.Label10, &m_model.FilterCount}) {
        QLabel* label = Widget<QLabel>(*control);
        const QRect needed = label->fontMetrics().boundingRect(
            label->rect(), static_cast<int>(label->alignment()) | Qt::TextWordWrap, label->text());
        EXPECT_LE(needed.width(), label->width()) << control->Name();
        EXPECT_LE(needed.height(), label->height()) << control->Name();
    }
    for (const Control* control : std::vector<const Control*>{
             &m_model.SearchPic, &m_model.DownPic, &m_model.FileS1, &m_model.FileS2,
             &m_model.OpenDownDir, &m_model.SDownAll, &m_model.Command1, &m_model.PiPei[0],
             &m_model.PiPei[1], &m_model.PiPei[2], &m_model.PiPei[3], &m_model.FilterFailed,
             &m_model.FilterType}) {
        auto* button = Widget<QWidget>(*control);
        EXPECT_LE(button->sizeHint().width(), button->width()) << control->Name();
    }
}

TEST_F(MainViewTest, OptionGroupsAreExclusiveEachOnItsOwnAndTheArrowsMoveInside) {
    const auto checked = [this](const OptionButton& o) {
        return Widget<QRadioButton>(o)->isChecked();
    };
    const auto markersShown = [this] {
        int shown = 0;
        for (const Control* marker : std::vector<const Control*>{
                 &m_model.PPDefBeg, &m_model.PPTBeg, &m_model.PPDefEnd, &m_model.PPTEnd})
            shown += m_view.WidgetFor(*marker)->isVisible();
        return shown;
    };
    m_model.PPTBeg.SetText("<<");
    m_model.PiPei[3].SetValue(true);  // the model's choice shows
    EXPECT_TRUE(checked(m_model.PiPei[3]));
    EXPECT_EQ(markersShown(), 4) << "the custom mode shows its markers";
    EXPECT_EQ(LogText(), QStringLiteral("选择 匹配模式"));
    ClickOption(m_model.PiPei[1]);
    ClickOption(m_model.PiPei[1]);  // again: stays on
    EXPECT_TRUE(checked(m_model.PiPei[1]));
    EXPECT_FALSE(checked(m_model.PiPei[3]));
    EXPECT_EQ(markersShown(), 0);
    EXPECT_EQ(Widget<QLineEdit>(m_model.PPTBeg)->text(), QStringLiteral("<<")) << "kept hidden";

    m_model.LogShow.SetText("");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    Settle();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    Settle();
    EXPECT_EQ(m_model.SelectedMatchMode(), 3) << "the arrows wrap within the group";
    EXPECT_EQ(LogText(), QStringLiteral("选择 匹配模式")) << "selecting by key raises the click";

    ClickOption(m_model.FileS1);
    QTest::keyClick(Widget<QRadioButton>(m_model.FileS1), Qt::Key_Down);
    Settle();
    EXPECT_TRUE(checked(m_model.FileS2));
    EXPECT_FALSE(checked(m_model.FileS1));
    EXPECT_TRUE(m_seams.folders.titles.empty()) << "the keyboard opens no folder browser";
    EXPECT_TRUE(checked(m_model.PiPei[3])) << "the folder choice is a group of its own";

    // Presses reach the control they fall on: one on the label inside the
    // frame is the label's own, a right press on the frame clears the mode.
    QTest::mouseClick(Widget<QLabel>(m_model.PPDefBeg), Qt::RightButton);
    Settle();
    EXPECT_EQ(m_model.SelectedMatchMode(), 3);
    QGroupBox* frame = Widget<QGroupBox>(m_model.Frame1);
    QTest::mouseClick(frame, Qt::RightButton, {}, QPoint(frame->width() - 4, 30));
    Settle();
    EXPECT_EQ(m_model.SelectedMatchMode(), -1) << "a right press clears the match mode";
}

// A box or browser opened from a press leaves no button drawn pressed.
TEST(MainViewModal, APressThatOpensADialogLeavesNoButtonDown) {
    testing::FakeSeams seams;
    QtOwnedDialogs dialogs;
    MainF1 model(Seams{seams.files, seams.fileSystem, seams.openFile, dialogs, dialogs,
                       seams.browser, seams.fileManager, seams.offlineDownloader, seams.offlineHttp,
                       seams.offlineHttp, seams.offlineHttp, seams.countingMaker,
                       seams.offlineProber, seams.recordingClipboard, seams.processes, seams.clock,
                       seams.program});
    MainView view(model, seams.browser);
    dialogs.SetParent(&view);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTimer closer;  // the user reads a box for a while, then closes it
    int closed = 0;
    QObject::connect(&closer, &QTimer::timeout, [&closed] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            ++closed;
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        }
    });
    closer.start(100);
    for (const Control* control : {static_cast<const Control*>(&model.SDownAll),
                                   static_cast<const Control*>(&model.FileS2)}) {
        auto* button = qobject_cast<QAbstractButton*>(view.WidgetFor(*control));
        const QPoint at = button->mapTo(&view, QPoint(8, button->height() / 2));
        // The release comes a moment later, through the window system.
        QTimer::singleShot(
            30, [&view, at] { QTest::mouseRelease(view.windowHandle(), Qt::LeftButton, {}, at); });
        QTest::mousePress(view.windowHandle(), Qt::LeftButton, {}, at);
        QTest::qWait(60);
        EXPECT_TRUE(QTest::qWaitFor([&] { return closed > 0; }, 5000)) << control->Name();
        Settle();
        EXPECT_FALSE(button->isDown()) << control->Name();
        closed = 0;
    }
}

TEST_F(MainViewTest, AFileDroppedOnTheWindowIsHarvested) {
    const QString path = m_dir.filePath(QStringLiteral("site.css"));
    ASSERT_TRUE(std::ofstream(path.toStdString()) << "body { background: url(img/bg.png); }\n"
                                                     ".logo { background: url('img/logo.gif'); }");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path), QUrl(QStringLiteral("http://a/other.css"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_view, &drop);
    Settle();
    EXPECT_EQ(Widget<QLineEdit>(m_model.OFile1)->text(), path);
    EXPECT_EQ(List()->model()->rowCount(), 2);
    EXPECT_FALSE(Widget<QLineEdit>(m_model.WebUrl)->acceptDrops()) << "drops go to the window";
}

TEST_F(MainViewTest, TextBoxesShowTheBeginningKeepTheCursorAndTipTheWholeText) {
    const std::string message = "无法读取文件“/" + std::string(300, 'x') + "/site.css”：文件不存在";
    m_model.LogShow.SetText(message);
    QLineEdit* log = Widget<QLineEdit>(m_model.LogShow);
    EXPECT_EQ(log->cursorPosition(), 0);
    EXPECT_EQ(log->text().toStdString(), message);
    EXPECT_EQ(log->toolTip().toStdString(), message) << "the whole text, however long";

    QLineEdit* edit = Widget<QLineEdit>(m_model.PPTBeg);
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("x"));
    EXPECT_EQ(m_model.PPTBeg.Text(), "xurl(");
    EXPECT_EQ(edit->cursorPosition(), 1);
}

TEST_F(MainViewTest, ListTicksAndCurrentRowGoBothWays) {
    m_model.GetPic.AddItems({"http://a/1.png", "http://a/2.png", "http://a/3.png"});
    QListView* list = List();

    m_model.GetPic.SetListIndex(1);
    EXPECT_EQ(list->currentIndex().row(), 1);
    list->setCurrentIndex(list->model()->index(2, 0));
    EXPECT_EQ(m_model.GetPic.ListIndex(), 2);

    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(m_model.GetPic.Selected(2));
    EXPECT_EQ(list->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

    // A new list drops the current item; Qt must not pick a neighbour.
    m_model.GetPic.Clear();
    EXPECT_FALSE(list->currentIndex().isValid());
    EXPECT_EQ(list->model()->rowCount(), 0);
}

// The banner comes from the network: it opens its links in the browser and
// nothing else it names, not even a FIFO or /dev/zero that would hold up or
// flood the window.
TEST(BannerView, ShowsAPageFetchedInTheBackgroundAndOpensItsLinksAndNothingElse) {
    testing::OpenWatch watch("\x89PNG local picture");
    // A banner that reads a device without end fails the run before it
    // takes the machine's memory.
    const auto peakKiB = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const std::jthread guard([start = peakKiB(), &peakKiB](const std::stop_token& stop) {
        for (; !stop.stop_requested(); std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            if (peakKiB() > start + 512 * 1024) {
                std::fputs("BannerView: the banner read a device without end\n", stderr);
                std::_Exit(1);
            }
        }
    });
    std::string page = "<p>新版本 <a href=\"/download\">下载</a></p>";
    for (const std::string& name : {watch.picture, "file://" + watch.picture, watch.fifo,
                                    "file://" + watch.fifo, std::string("/dev/zero")})
        page += "<link rel=\"stylesheet\" href=\"" + name + "\"><style>@import url(\"" + name +
                "\");</style><p style=\"background-image: url('" + name + "')\"><img src=\"" +
                name + "\"></p>";
    testing::TestHttpServer server;
    server.Routes().Get("/banner", [&page](const httplib::Request&, httplib::Response& res) {
        res.set_content(page, "text/html");
    });
    server.Start();
    testing::RecordingBrowser browser;
    QtEventLoop loop;
    TransferEngine engine(loop);
    BannerView banner(nullptr, &engine, browser);
    banner.show();
    banner.Load(server.Url("/banner"));
    EXPECT_TRUE(banner.Loading()) << "the window does not wait for the page";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !banner.Loading(); }, 5000));
    banner.grab();  // laid out and painted, pictures and all
    EXPECT_TRUE(banner.toPlainText().contains(QStringLiteral("新版本"))) << "utf-8 page";
    EXPECT_FALSE(watch.AnythingOpened());
    emit banner.anchorClicked(QUrl(QStringLiteral("/download")));
    EXPECT_EQ(browser.opened, std::vector<std::string>{server.Url("/download")});

    banner.Load(server.Url("/missing"));  // 404
    EXPECT_TRUE(QTest::qWaitFor([&] { return !banner.Loading(); }, 5000));
    EXPECT_TRUE(banner.toPlainText().isEmpty()) << "an unloadable page leaves it quiet";
}

// What `inspect` finds in the modal dialog that `open` shows, which is then
// closed. The dialog is open when `open` returns: nothing waits for it.
QStringList WhileModal(const std::function<void()>& open,
                       const std::function<QStringList(QWidget*)>& inspect) {
    open();
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr)
        return {};  // nothing found: the checks fail
    QStringList found = inspect(dialog);
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty())
            found << button->text();
    }
    QPointer<QWidget> closing(dialog);
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    EXPECT_TRUE(QTest::qWaitFor([&closing] { return closing.isNull(); }, 5000))
        << "a closed dialog goes away";
    return found;
}

TEST(QtDialogs, SpeakChineseAndShowWhatTheyAreGiven) {
    InstallChineseTranslations(*QCoreApplication::instance());
    QtOpenFileDialog open;
    const QStringList file = WhileModal(
        [&] {
            open.ShowOpen("打开文件",
                          "(*.css)CSS层叠样式表|*.css|所有支持文件|*.css;*.js|(*.*)所有文件|*.*",
                          [](std::string) {});
        },
        [](QWidget* dialog) {
            auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QStringList texts = qobject_cast<QFileDialog*>(dialog)->nameFilters().mid(2);
            for (int i = 0; combo && i < combo->count(); ++i)
                texts << combo->itemText(i);
            return texts;
        });
    // All files are all files, also for a dialog that would take *.* literally
    // and leave out names without a dot; the list shows the captions alone.
    EXPECT_EQ(
        file.mid(0, 4),
        (QStringList{QStringLiteral("(*.*)所有文件 (*)"), QStringLiteral("(*.css)CSS层叠样式表"),
                     QStringLiteral("所有支持文件"), QStringLiteral("(*.*)所有文件")}));
    EXPECT_TRUE(file.contains(QStringLiteral("取消"))) << file.join('|').toStdString();

    QtOwnedDialogs owned;
    const QStringList box = WhileModal(
        [&] { owned.Show("第一行\r\n第二行", {}); },
        [](QWidget* dialog) {
            auto* message = qobject_cast<QMessageBox*>(dialog);
            return QStringList{message->windowTitle(), message->text(),
                               message->icon() == QMessageBox::NoIcon ? "no icon" : "an icon"};
        });
    EXPECT_EQ(box, (QStringList{QStringLiteral("Pixquarry"), QStringLiteral("第一行\n第二行"),
                                QStringLiteral("no icon"), QStringLiteral("确定")}));

    const QStringList folder =
        WhileModal([&] { owned.BrowseDir("", [](std::string) {}); },
                   [](QWidget* dialog) {
                       return QStringList{qobject_cast<QFileDialog*>(dialog)->directory().path()};
                   });
    EXPECT_EQ(folder.value(0), QDir::homePath()) << "the folder browser starts at home";
}

TEST(PicListModel, FollowsEveryKindOfChangeTheWayQtExpects) {
    int complaints = 0;
    static int* sink = nullptr;
    sink = &complaints;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg) {
                ++*sink;
                ADD_FAILURE() << text.toStdString();
            }
        });
    CheckListBox list("GetPic", {}, nullptr);
    PicListModel model(list);
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);

    list.AddItems({"b", "d", "f"});
    list.AddItem("c");
    list.AddItem("a");
    list.AddItem("g");
    list.SetSelected(2, true);
    list.SetListIndex(1);
    list.AddItem("d");
    list.Filter([](int index) { return index % 2 == 0; });  // b c d d e g: c d g shown
    list.SetHidden(1, true);                                // the current item
    list.AddItem("ba");
    list.SetHidden(0, false);
    list.SetMark(2, "404", true);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.index(0).data().toString(), "a");
    EXPECT_EQ(model.index(1).data(PicListModel::kMarkRole).toString(), "404");
    EXPECT_EQ(model.index(3).data().toString(), "f");
    list.Clear();
    qInstallMessageHandler(previous);

    EXPECT_EQ(complaints, 0);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(PicListModel, ShowsLongItemsCut) {
    const std::string exact(PicListModel::kDisplayChars, 'x');
    EXPECT_EQ(DisplayText(exact), QString::fromStdString(exact));

    std::string huge;
    for (int i = 0; i < 100000; ++i)
        huge += "图";  // 300 KB of three-byte characters
    const QString shown = DisplayText(huge);
    EXPECT_EQ(shown.size(), PicListModel::kDisplayChars + 1);
    EXPECT_EQ(shown.back(), QChar(0x2026));
    EXPECT_EQ(shown.front(), QString::fromUtf8("图").front());
}

}  // namespace
}  // namespace pixquarry

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
