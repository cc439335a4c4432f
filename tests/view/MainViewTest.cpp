// The Qt window's wiring, on real widgets under the offscreen platform.

#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

#include "app/MainF1.h"
#include "platform/OpenFileDialog.h"
#include "platform/posix/PosixFileReader.h"
#include "gui/MainView.h"
#include "gui/PicListModel.h"
#include "gui/QtOpenFileDialog.h"

namespace pixquarry {
namespace {

class ScriptedOpenFileDialog final : public OpenFileDialog {
public:
    std::string ShowOpen(const std::string&, const std::string&) override { return m_answer; }
    std::string m_answer;
};

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
    QString Row(int row) { return List()->model()->index(row, 0).data().toString(); }

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
    PosixFileReader m_files;
    ScriptedOpenFileDialog m_dialog;
    MainF1 m_model{Seams{m_files, m_dialog}};
    MainView m_view{m_model};
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

TEST_F(MainViewTest, SearchPicListsTheLinksOfATypedFile) {
    const QString path = WriteCss();
    Type(m_model.OFile1, path);
    Type(m_model.WebUrl, QStringLiteral("http://example.com/"));
    EXPECT_EQ(m_model.OFile1.Text(), path.toStdString());
    EXPECT_EQ(m_model.WebUrl.Text(), "http://example.com/");

    QTest::mouseClick(Widget<QPushButton>(m_model.SearchPic), Qt::LeftButton);

    ASSERT_EQ(List()->model()->rowCount(), 2);
    EXPECT_EQ(Row(0), QStringLiteral("http://example.com/img/bg.png"));
    EXPECT_EQ(Row(1), QStringLiteral("http://example.com/img/logo.gif"));
    EXPECT_EQ(LogText(), QStringLiteral("图片链接已完成载入列表。"));
    // The file quotes with ', and the model picked that match mode.
    EXPECT_TRUE(Widget<QRadioButton>(m_model.PiPei[1])->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(m_model.PiPei[0])->isChecked());
}

TEST_F(MainViewTest, DoubleClicksAndFocusReachTheTextBoxHandlers) {
    m_dialog.m_answer = WriteCss().toStdString();
    QTest::mouseDClick(Widget<QLineEdit>(m_model.OFile1), Qt::LeftButton);
    EXPECT_EQ(Widget<QLineEdit>(m_model.OFile1)->text().toStdString(), m_dialog.m_answer);
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

TEST_F(MainViewTest, PressesReportTheirButton) {
    QSignalSpy pressed(&m_view, &MainView::MousePressed);
    QTest::mousePress(Widget<QCheckBox>(m_model.SDownAll), Qt::RightButton);
    QTest::mousePress(Widget<QRadioButton>(m_model.FileS2), Qt::LeftButton);
    ASSERT_EQ(pressed.size(), 2);
    EXPECT_EQ(pressed[0][0].value<const Control*>(), &m_model.SDownAll);
    EXPECT_EQ(pressed[0][1].toInt(), 2);
    EXPECT_EQ(pressed[1][0].value<const Control*>(), &m_model.FileS2);
    EXPECT_EQ(pressed[1][1].toInt(), 1);
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

    // The list drops its current item with it; Qt must not pick a neighbour.
    m_model.GetPic.RemoveItem(2);
    EXPECT_EQ(m_model.GetPic.ListIndex(), -1);
    EXPECT_FALSE(list->currentIndex().isValid());
    EXPECT_EQ(list->model()->rowCount(), 2);
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
    list.RemoveItem(2);
    list.RemoveItem(0);
    list.RemoveItem(list.ListCount() - 1);
    list.AddItem("d");
    list.RemoveDuplicateTexts();
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

TEST(QtFilter, TurnsBarSeparatedFiltersIntoQtEntries) {
    struct Case {
        const char* name;
        std::string filter;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"one entry", "Text|*.txt", "Text (*.txt)"},
        {"patterns joined with spaces", "Pages|*.htm;*.html", "Pages (*.htm *.html)"},
        {"description without patterns dropped", "Text|*.txt|Dangling", "Text (*.txt)"},
        {"the window's own filter",
         "(*.css)CSS层叠样式表|*.css|(*.txt)文本文件|*.txt|所有支持文件|*.css;*.htm;*.html;"
         "*.txt;*.asp;*.php;*.aspx;*.js|(*.*)所有文件|*.*",
         QString::fromUtf8("(*.css)CSS层叠样式表 (*.css);;(*.txt)文本文件 (*.txt);;"
                           "所有支持文件 (*.css *.htm *.html *.txt *.asp *.php *.aspx *.js);;"
                           "(*.*)所有文件 (*.*)")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtFilter(c.filter), c.expected) << c.name;
}

}  // namespace
}  // namespace pixquarry

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
