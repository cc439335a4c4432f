// The Qt window's wiring, on real widgets under the offscreen platform.

#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "app/MainF1.h"
#include "gui/ChineseTranslations.h"
#include "gui/MainView.h"
#include "gui/PicListModel.h"
#include "gui/QtDesktop.h"
#include "gui/QtEventLoop.h"
#include "gui/QtOpenFileDialog.h"
#include "gui/QtOwnedDialogs.h"
#include "platform/curl/TransferEngine.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/TestHttpServer.h"

namespace pixquarry {
namespace {

constexpr char kCss[] =
    "body { background: url(img/bg.png) repeat-x; }\n"
    ".logo { background-image: url('img/logo.gif'); }\n"
    ".mask { mask: url(#clip); }\n";

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

    QString WriteCss() {
        const QString path = m_dir.filePath(QStringLiteral("site.css"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kCss);
        return path;
    }
    void Type(const TextBox& box, const QString& text) {
        QLineEdit* edit = Widget<QLineEdit>(box);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void ClickOption(const OptionButton& option) {
        QRadioButton* radio = Widget<QRadioButton>(option);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
    }
    std::vector<std::string> ModelList() {
        std::vector<std::string> items;
        for (int i = 0; i < m_model.GetPic.ListCount(); ++i)
            items.push_back(m_model.GetPic.List(i));
        return items;
    }

    QTemporaryDir m_dir;
    testing::FakeSeams m_seams;
    MainF1 m_model{m_seams.Make(), "http://www.pixquarry.example"};
    MainView m_view{m_model, m_seams.browser};
};

TEST_F(MainViewTest, StartsAsTheModelDescribesIt) {
    EXPECT_EQ(m_view.windowTitle(), QStringLiteral("Pixquarry"));
    EXPECT_EQ(Widget<QLabel>(m_model.Label1)->text(), QStringLiteral("CSS文件："));
    EXPECT_EQ(Widget<QGroupBox>(m_model.Frame1)->title(), QStringLiteral("匹配模式"));
    EXPECT_EQ(Widget<QPushButton>(m_model.SearchPic)->text(), QStringLiteral("提取图片"));
    EXPECT_EQ(Widget<QCheckBox>(m_model.SDownAll)->text(), QStringLiteral("选择全部"));
    const QStringList captions = {"url()", "url('')", "url(\"\")", "自定义"};
    for (int i = 0; i < 4; ++i) {
        QRadioButton* radio = Widget<QRadioButton>(m_model.PiPei[i]);
        EXPECT_EQ(radio->text(), captions[i]);
        EXPECT_FALSE(radio->isChecked());
    }
    EXPECT_FALSE(Widget<QRadioButton>(m_model.FileS1)->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(m_model.FileS2)->isChecked());
    for (const Control* hidden : std::initializer_list<const Control*>{
             &m_model.PPDefBeg, &m_model.PPTBeg, &m_model.PPDefEnd, &m_model.PPTEnd,
             &m_model.FileS2Dir}) {
        EXPECT_FALSE(m_view.WidgetFor(*hidden)->isVisible()) << hidden->Name();
    }
    EXPECT_FALSE(Widget<QPushButton>(m_model.OpenDownDir)->isEnabled());

    QLineEdit* file = Widget<QLineEdit>(m_model.OFile1);
    EXPECT_EQ(file->text(), QString::fromUtf8(MainF1::kOFile1Hint.data()));
    EXPECT_EQ(file->palette().color(QPalette::Text), QColor(255, 128, 0));
    EXPECT_EQ(Widget<QLineEdit>(m_model.LogShow)->palette().color(QPalette::Text),
              QColor(0, 0, 255));
    EXPECT_EQ(m_view.focusWidget(), file);
}

TEST_F(MainViewTest, PlacesControlsInPixels) {
    EXPECT_EQ(m_view.size(), QSize(616, 564));
    EXPECT_EQ(m_view.minimumSize(), m_view.maximumSize()) << "the window must not resize";
    EXPECT_EQ(m_view.WidgetFor(m_model.OFile1)->geometry(), QRect(80, 8, 441, 18));
    QWidget* log = m_view.WidgetFor(m_model.LogShow);
    EXPECT_EQ(log->parentWidget(), m_view.WidgetFor(m_model.Frame3));
    EXPECT_EQ(log->pos(), QPoint(8, 16));
    QWidget* option = m_view.WidgetFor(m_model.PiPei[1]);
    EXPECT_EQ(option->parentWidget(), m_view.WidgetFor(m_model.Frame1));
    EXPECT_EQ(option->pos(), QPoint(80, 16));
    EXPECT_EQ(m_view.WidgetFor(m_model.GetPic)->geometry(), QRect(8, 280, 601, 232));
}

TEST_F(MainViewTest, TabFollowsTheModelsFocusOrder) {
    const std::vector<const Control*> order = m_model.FocusOrder();
    std::vector<QWidget*> expected;
    for (const Control* control : order)
        expected.push_back(m_view.WidgetFor(*control));
    std::vector<QWidget*> walked;
    QWidget* at = expected.front();
    do {
        if (std::find(expected.begin(), expected.end(), at) != expected.end())
            walked.push_back(at);
        at = at->nextInFocusChain();
    } while (at != expected.front() && walked.size() < expected.size());
    EXPECT_EQ(walked, expected);
}

TEST_F(MainViewTest, DoubleClicksAndFocusReachTheTextBoxHandlers) {
    const std::string chosen = WriteCss().toStdString();
    m_seams.openFile.answers.push_back(chosen);
    QTest::mouseDClick(Widget<QLineEdit>(m_model.OFile1), Qt::LeftButton);
    EXPECT_EQ(Widget<QLineEdit>(m_model.OFile1)->text().toStdString(), chosen);
    EXPECT_EQ(List()->model()->rowCount(), 2);

    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(Widget<QLineEdit>(m_model.WebUrl), &focus);
    EXPECT_TRUE(LogText().startsWith(QStringLiteral("请输入CSS文件所在的网站域名")));

    QTest::mouseDClick(Widget<QLineEdit>(m_model.WebUrl), Qt::LeftButton);
    EXPECT_TRUE(Widget<QLineEdit>(m_model.WebUrl)->text().isEmpty());
    EXPECT_EQ(LogText(), QStringLiteral("清空当前的域名"));
}

TEST_F(MainViewTest, TypingInTheMiddleKeepsTheCursor) {
    QLineEdit* edit = Widget<QLineEdit>(m_model.PPTBeg);
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("x"));
    EXPECT_EQ(m_model.PPTBeg.Text(), "xurl(");
    EXPECT_EQ(edit->cursorPosition(), 1);
}

TEST_F(MainViewTest, OptionGroupsAreExclusiveEachOnItsOwn) {
    const auto checked = [this](const OptionButton& o) {
        return Widget<QRadioButton>(o)->isChecked();
    };
    ClickOption(m_model.PiPei[3]);
    EXPECT_TRUE(checked(m_model.PiPei[3]));
    EXPECT_TRUE(m_view.WidgetFor(m_model.PPTBeg)->isVisible());

    ClickOption(m_model.PiPei[1]);
    EXPECT_TRUE(checked(m_model.PiPei[1]));
    EXPECT_FALSE(checked(m_model.PiPei[3]));
    EXPECT_FALSE(m_view.WidgetFor(m_model.PPTBeg)->isVisible());
    EXPECT_EQ(m_model.SelectedMatchMode(), 1);

    ClickOption(m_model.PiPei[1]);  // again: stays on
    EXPECT_TRUE(checked(m_model.PiPei[1]));

    ClickOption(m_model.FileS1);
    ClickOption(m_model.FileS2);
    EXPECT_FALSE(checked(m_model.FileS1));
    EXPECT_TRUE(checked(m_model.FileS2));
    EXPECT_TRUE(m_model.FileS2.Value());
    EXPECT_TRUE(checked(m_model.PiPei[1])) << "the folder choice must not touch the match mode";
}

TEST_F(MainViewTest, PressesReachTheControlTheyFallOn) {
    m_model.GetPic.AddItems({"http://a/1.png", "http://a/2.png"});
    QTest::mousePress(Widget<QCheckBox>(m_model.SDownAll), Qt::RightButton);
    EXPECT_FALSE(m_model.GetPic.Selected(0)) << "a right press ticks nothing";
    QTest::mousePress(Widget<QCheckBox>(m_model.SDownAll), Qt::LeftButton);
    EXPECT_TRUE(m_model.GetPic.Selected(1));
    EXPECT_EQ(Widget<QCheckBox>(m_model.SDownAll)->text(), QStringLiteral("取消全选"));

    ClickOption(m_model.PiPei[3]);
    // A press on the label inside the frame is the label's own.
    QTest::mousePress(Widget<QLabel>(m_model.PPDefBeg), Qt::RightButton);
    EXPECT_EQ(m_model.SelectedMatchMode(), 3);
    QGroupBox* frame = Widget<QGroupBox>(m_model.Frame1);
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(frame->width() - 4, 30));
    EXPECT_EQ(m_model.SelectedMatchMode(), 3);
    QTest::mousePress(frame, Qt::RightButton, {}, QPoint(frame->width() - 4, 30));
    EXPECT_EQ(m_model.SelectedMatchMode(), -1) << "a right press clears the match mode";

    QLabel* home = Widget<QLabel>(m_model.Label6);
    QTest::mouseClick(home, Qt::LeftButton);
    QTest::mouseClick(Widget<QLabel>(m_model.NewSoftInfo), Qt::LeftButton);
    EXPECT_EQ(m_seams.browser.opened,
              (std::vector<std::string>{"http://www.pixquarry.example",
                                        "http://www.pixquarry.example/filelist/mysoft/pixquarry/"
                                        "download"}));
    EXPECT_EQ(home->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(home->toolTip(), home->text()) << "its text is longer than its box";
}

TEST_F(MainViewTest, OptionGroupsAreOneTabStopWithArrowKeysInside) {
    const auto tabStop = [this](const OptionButton& o) {
        return m_view.WidgetFor(o)->focusPolicy() == Qt::StrongFocus;
    };
    EXPECT_TRUE(tabStop(m_model.PiPei[0]));
    EXPECT_FALSE(tabStop(m_model.PiPei[2]));
    EXPECT_TRUE(tabStop(m_model.FileS1)) << "the first of the group when none is selected";
    EXPECT_FALSE(tabStop(m_model.FileS2));

    QRadioButton* first = Widget<QRadioButton>(m_model.PiPei[0]);
    first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(first, Qt::Key_Right);
    EXPECT_EQ(m_model.SelectedMatchMode(), 1);
    EXPECT_EQ(LogText(), QStringLiteral("选择 匹配模式")) << "selecting by key raises the click";
    EXPECT_TRUE(tabStop(m_model.PiPei[1]));
    EXPECT_FALSE(tabStop(m_model.PiPei[0]));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(m_model.SelectedMatchMode(), 3) << "the arrows wrap within the group";
    EXPECT_TRUE(m_view.WidgetFor(m_model.PPTBeg)->isVisible());

    QRadioButton* folder = Widget<QRadioButton>(m_model.FileS1);
    folder->setFocus(Qt::TabFocusReason);
    QTest::keyClick(folder, Qt::Key_Down);
    EXPECT_TRUE(m_model.FileS2.Value());
    EXPECT_TRUE(m_seams.folders.titles.empty()) << "the keyboard opens no folder browser";
    EXPECT_FALSE(m_model.FileS2Dir.Visible());
    EXPECT_EQ(m_model.SelectedMatchMode(), 3);
}

TEST_F(MainViewTest, AFileDroppedOnTheWindowIsHarvested) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(WriteCss()), QUrl(QStringLiteral("http://a/other.css"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_view, &drop);
    EXPECT_EQ(Widget<QLineEdit>(m_model.OFile1)->text(),
              m_dir.filePath(QStringLiteral("site.css")));
    EXPECT_EQ(List()->model()->rowCount(), 2);
    EXPECT_FALSE(Widget<QLineEdit>(m_model.WebUrl)->acceptDrops()) << "drops go to the window";
}

TEST_F(MainViewTest, ALongStatusShowsItsBeginning) {
    const std::string message = "无法读取文件“/" + std::string(300, 'x') + "/site.css”：文件不存在";
    m_model.LogShow.SetText(message);
    QLineEdit* log = Widget<QLineEdit>(m_model.LogShow);
    EXPECT_EQ(log->cursorPosition(), 0);
    EXPECT_EQ(log->text().toStdString(), message);
}

TEST(MainViewFont, ControlsInFramesTakeTheWindowsFont) {
    const QFont before = QApplication::font();
    QFont odd(QStringLiteral("DejaVu Serif"));
    odd.setPointSize(20);
    QApplication::setFont(odd);
    testing::FakeSeams seams;
    MainF1 model(seams.Make());
    MainView view(model, seams.browser);
    QApplication::setFont(before);
    for (const Control* inside :
         {static_cast<const Control*>(&model.PiPei[0]), static_cast<const Control*>(&model.FileS1),
          static_cast<const Control*>(&model.PPDefBeg)}) {
        EXPECT_EQ(view.WidgetFor(*inside)->font().pointSize(), view.font().pointSize())
            << inside->Name();
        EXPECT_EQ(view.WidgetFor(*inside)->font().family(), view.font().family()) << inside->Name();
    }
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
    EXPECT_EQ(m_model.GetPic.ListIndex(), -1);
    EXPECT_FALSE(list->currentIndex().isValid());
    EXPECT_EQ(list->model()->rowCount(), 0);
}

// A harvest on the real window: type, extract, tick all, default folder,
// download from a server on 127.0.0.1, with real event processing between items.
TEST(MainViewEndToEnd, HarvestsAndDownloadsIntoTheDefaultFolder) {
    testing::TestHttpServer server;
    server.Routes().Get(R"(/img/([^/]+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("bytes of " + std::string(req.matches[1]), "image/png");
    });
    server.Start();
    QTemporaryDir program;
    const QString css = program.filePath(QStringLiteral("site.css"));
    {
        QFile file(css);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kCss);
    }
    testing::FakeSeams seams;
    QtEventLoop loop;
    TransferEngine engine(loop);
    EngineDownloader downloader(engine);
    QtDesktop desktop;
    MainF1 model(Seams{seams.files, seams.openFile, seams.folders, seams.box, seams.browser,
                       seams.fileManager, desktop, downloader, seams.offlineHttp, seams.offlineHttp,
                       seams.processes, seams.clock,
                       ProgramInfo{program.path().toStdString(), "pixquarry"}});
    MainView view(model, seams.browser);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const auto type = [&view](const TextBox& box, const QString& text) {
        auto* edit = qobject_cast<QLineEdit*>(view.WidgetFor(box));
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    type(model.OFile1, css);
    type(model.WebUrl, QString::fromStdString(server.Url("/")));
    QTest::mouseClick(view.WidgetFor(model.SearchPic), Qt::LeftButton);
    auto* list = qobject_cast<QListView*>(view.WidgetFor(model.GetPic));
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->index(1, 0).data().toString().toStdString(),
              server.Url("/img/logo.gif"));
    // The file quotes with ', and the model picked that match mode.
    EXPECT_TRUE(qobject_cast<QRadioButton*>(view.WidgetFor(model.PiPei[1]))->isChecked());
    QTest::mousePress(view.WidgetFor(model.SDownAll), Qt::LeftButton);
    auto* folder = qobject_cast<QRadioButton*>(view.WidgetFor(model.FileS1));
    QTest::mouseClick(folder, Qt::LeftButton, {}, QPoint(8, folder->height() / 2));
    QTest::mouseClick(view.WidgetFor(model.DownPic), Qt::LeftButton);

    for (const char* name : {"bg.png", "logo.gif"}) {
        QFile file(program.filePath(QStringLiteral("downimages/") + QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(file.readAll().toStdString(), std::string("bytes of ") + name);
    }
    auto* log = qobject_cast<QLineEdit*>(view.WidgetFor(model.LogShow));
    EXPECT_EQ(log->text(), QStringLiteral("下载成功 2 个文件；下载失败 0 个文件。"));
    EXPECT_EQ(log->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_TRUE(view.WidgetFor(model.OpenDownDir)->isEnabled());
    EXPECT_FALSE(view.WidgetFor(model.DownProgress)->isVisible());
}

TEST(BannerView, ShowsAPageFetchedInTheBackgroundAndOpensItsLinks) {
    testing::TestHttpServer server;
    server.Routes().Get("/banner", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<p>新版本 <a href=\"/download\">下载</a></p>", "text/html");
    });
    server.Routes().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("<p>找不到</p>", "text/html");
    });
    server.Start();
    testing::RecordingBrowser browser;
    QtEventLoop loop;
    TransferEngine engine(loop);
    BannerView banner(nullptr, &engine, browser);
    for (const std::string& path : {std::string("/missing"), std::string("/banner")}) {
        banner.Load(server.Url(path));
        EXPECT_TRUE(banner.Loading()) << "the window does not wait for the page";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !banner.Loading(); }, 5000)) << path;
    }
    EXPECT_TRUE(banner.toPlainText().contains(QStringLiteral("新版本"))) << "utf-8 page";
    emit banner.anchorClicked(QUrl(QStringLiteral("/download")));
    EXPECT_EQ(browser.opened, std::vector<std::string>{server.Url("/download")});

    banner.Load(server.Url("/missing"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !banner.Loading(); }, 5000));
    EXPECT_TRUE(banner.toPlainText().isEmpty()) << "an unloadable page leaves it quiet";
}

// Runs `inspect` on the modal dialog that `open` shows, then closes it.
template <typename Open>
void WhileModal(Open open, const std::function<void(QWidget*)>& inspect) {
    QTimer::singleShot(0, [&inspect] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        inspect(dialog);
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    });
    open();
}

QStringList ButtonTexts(QWidget* dialog) {
    QStringList texts;
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty())
            texts << button->text();
    }
    return texts;
}

TEST(QtDialogs, SpeakChineseAndShowWhatTheyAreGiven) {
    InstallChineseTranslations(*QCoreApplication::instance());
    QtOpenFileDialog open;
    QStringList types;
    QStringList buttons;
    WhileModal(
        [&] { open.ShowOpen("打开文件", "(*.css)CSS层叠样式表|*.css|所有支持文件|*.css;*.js"); },
        [&](QWidget* dialog) {
            auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            ASSERT_NE(combo, nullptr);
            for (int i = 0; i < combo->count(); ++i)
                types << combo->itemText(i);
            buttons = ButtonTexts(dialog);
        });
    EXPECT_EQ(types, (QStringList{QStringLiteral("(*.css)CSS层叠样式表"),
                                  QStringLiteral("所有支持文件")}));
    EXPECT_TRUE(buttons.contains(QStringLiteral("取消"))) << buttons.join('|').toStdString();

    QtOwnedDialogs owned;
    QString caption;
    QString text;
    bool iconless = false;
    WhileModal([&] { owned.Show("第一行\r\n第二行"); },
               [&](QWidget* dialog) {
                   auto* box = qobject_cast<QMessageBox*>(dialog);
                   ASSERT_NE(box, nullptr);
                   caption = box->windowTitle();
                   text = box->text();
                   iconless = box->icon() == QMessageBox::NoIcon;
                   buttons = ButtonTexts(dialog);
               });
    EXPECT_EQ(caption, QStringLiteral("Pixquarry"));
    EXPECT_EQ(text, QStringLiteral("第一行\n第二行"));
    EXPECT_TRUE(iconless);
    EXPECT_EQ(buttons, QStringList{QStringLiteral("确定")});
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
