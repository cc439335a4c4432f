// The list's menu, the link check and the filter bar in the real window,
// offscreen, through its widgets, against pictures on 127.0.0.1.

#include <gtest/gtest.h>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/MainF1.h"
#include "gui/MainView.h"
#include "gui/PicListModel.h"
#include "gui/PicPreview.h"
#include "gui/QtClipboard.h"
#include "gui/QtEventLoop.h"
#include "gui/QtThumbnailMaker.h"
#include "platform/curl/EngineDownloads.h"
#include "platform/curl/EngineHttpClient.h"
#include "platform/curl/EngineProber.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/StaticSite.h"

namespace pixquarry {
namespace {

std::string Picture(int width, int height, const char* type) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(40, 90, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, type);
    return bytes.toStdString();
}

class CheckFilter : public ::testing::Test {
protected:
    void SetUp() override {
        m_site.Put("/wide.png", Picture(80, 20, "PNG"), "image/png");
        m_site.Put("/tall.png", Picture(20, 80, "PNG"), "image/png");
        m_site.Put("/small.svg",
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>",
                   "image/svg+xml");
        m_site.Put("/photo.jpg", Picture(60, 50, "JPEG"), "image/jpeg");
        m_site.Put("/soft.png", "<!doctype html><title>找不到</title>", "text/html");
        m_paths = {"/gone.png", "/wide.png", "/tall.png", "/small.svg", "/photo.jpg", "/soft.png"};
        for (int i = 0; i < 10; ++i) {
            m_paths.push_back("/many/n" + std::to_string(i) + ".png");
            m_site.Put(m_paths.back(), Picture(12, 12, "PNG"), "image/png");
        }
        m_site.Start();
        std::string sheet;
        for (const std::string& path : m_paths)
            sheet += ".x{background:url(" + m_site.Origin() + path + ")}";
        std::ofstream(m_dir.filePath("site.css").toStdString()) << sheet;
        m_seams.pictures = &m_pictures;
        m_seams.thumbnails = &m_maker;
        m_seams.probes = &m_probes;
        m_seams.download = &m_downloads;
        m_seams.clipboard = &m_clipboard;
        m_model = std::make_unique<MainF1>(m_seams.Make(), "");
        m_view = std::make_unique<MainView>(*m_model, m_seams.browser, &m_engine);
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
        // Absolute links: no domain in front.
        m_model->WebUrl.SetText("");
        Extract("site.css");
    }

    QWidget* Widget(const Control& control) { return m_view->WidgetFor(control); }
    QListView* List() { return static_cast<QListView*>(Widget(m_model->GetPic)); }
    const PicListModel* Rows() { return static_cast<const PicListModel*>(List()->model()); }
    void Extract(const char* file) {
        m_model->OFile1.SetText(m_dir.filePath(file).toStdString());
        QTest::mouseClick(Widget(m_model->SearchPic), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    // The row of the view that shows `path`, scrolled into view; -1 when hidden.
    QRect RowRect(const std::string& path) {
        const int row = Rows()->RowOf(m_model->GetPic.Find(m_site.Origin() + path));
        List()->scrollTo(Rows()->index(row));
        return row < 0 ? QRect() : List()->visualRect(Rows()->index(row));
    }
    // A right press on `path`'s row, then a press on the menu's entry `entry`.
    void Menu(const std::string& path, const char* entry) {
        QTest::mouseClick(List()->viewport(), Qt::RightButton, {}, RowRect(path).center());
        QCoreApplication::processEvents();
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << entry;
        for (QAction* action : menu->actions()) {
            if (action->text() == QString::fromUtf8(entry))
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        }
        QCoreApplication::processEvents();
    }
    bool Status(const std::string& text, int ms = 5000) {
        return QTest::qWaitFor([&] { return m_model->LogShow.Text() == text; }, ms);
    }
    // The paths the view shows, in order.
    std::vector<std::string> Shown() {
        std::vector<std::string> paths;
        for (int row = 0; row < Rows()->rowCount(); ++row)
            paths.push_back(
                Rows()->index(row).data().toString().toStdString().substr(m_site.Origin().size()));
        return paths;
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        QCoreApplication::processEvents();
    }

    std::vector<std::string> m_paths;
    // Each answer after 250 ms, from as many threads as the check could use.
    testing::StaticSite m_site{std::chrono::milliseconds(250), 32};
    QTemporaryDir m_dir;
    QtEventLoop m_loop;
    TransferEngine m_engine{m_loop};
    EngineHttpClient m_pictures{m_engine, PreviewLimits()};
    EngineProber m_probes{m_engine, ProbeLimits()};
    EngineDownloads m_downloads{m_engine};
    QtThumbnailMaker m_maker;
    QtClipboard m_clipboard;
    testing::FakeSeams m_seams;
    std::unique_ptr<MainF1> m_model;
    std::unique_ptr<MainView> m_view;
};

TEST_F(CheckFilter, ResultsComeAtTheRowEndsEightAtATimeAndServeTheTip) {
    ASSERT_EQ(m_model->GetPic.ListCount(), 16);
    // The tip's picture tells the check what it needs; the check's failure, the tip.
    const auto hover = [this](const std::string& path) {
        const QPoint at = RowRect(path).center();
        QMouseEvent move(QEvent::MouseMove, at, List()->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(List()->viewport(), &move);
        return QTest::qWaitFor([this] { return m_view->Preview()->Tip()->isVisible(); }, 5000);
    };
    ASSERT_TRUE(hover("/wide.png"));
    const int wide = m_model->GetPic.Find(m_site.Origin() + "/wide.png");
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_model->GetPic.Mark(wide) != ""; }, 5000));
    QStringList statuses;
    QObject::connect(static_cast<QLineEdit*>(Widget(m_model->LogShow)), &QLineEdit::textChanged,
                     [&statuses](const QString& text) { statuses << text; });
    Menu("/gone.png", "检查全部链接");
    ASSERT_TRUE(Status("检查完毕：可用 14 个，失败 2 个。")) << m_model->LogShow.Text();
    EXPECT_TRUE(statuses.contains(QStringLiteral("正在检查链接：已完成 0 / 15")));
    EXPECT_TRUE(statuses.contains(QStringLiteral("正在检查链接：已完成 8 / 15")));
    EXPECT_LE(m_site.MostAtOnce(), 8);
    EXPECT_GE(m_site.MostAtOnce(), 6) << "eight at once, give or take a busy machine";
    EXPECT_EQ(m_site.Hits("/wide.png"), 1) << "the tip's picture is not asked for again";

    const std::map<std::string, std::pair<QString, bool>> ends = {
        {"/gone.png", {"404", true}},
        {"/soft.png", {"不是图片", true}},
        {"/photo.jpg", {"JPEG 60×50 · ", false}},
        {"/small.svg", {"SVG 10×10 · ", false}},
        {"/wide.png", {"PNG 80×20 · ", false}},
        {"/many/n3.png", {"PNG 12×12 · ", false}}};
    for (const auto& [path, end] : ends) {
        const QRect rect = RowRect(path);
        const QModelIndex row = List()->indexAt(rect.center());
        EXPECT_EQ(row.data().toString().toStdString(), m_site.Origin() + path) << "unchanged";
        EXPECT_TRUE(row.data(PicListModel::kMarkRole).toString().startsWith(end.first)) << path;
        // Red for a failure, grey otherwise, at the row's right end.
        const QImage shot =
            List()->viewport()->grab(rect.adjusted(rect.width() - 90, 0, 0, 0)).toImage();
        int red = 0, grey = 0;
        for (int x = 0; x < shot.width(); ++x) {
            for (int y = 0; y < shot.height(); ++y) {
                const QColor c = shot.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
                grey +=
                    c.red() == c.green() && c.green() == c.blue() && c.red() > 100 && c.red() < 160;
            }
        }
        EXPECT_TRUE(end.second ? red > 0 && grey == 0 : grey > 0 && red == 0)
            << path << " red " << red << " grey " << grey;
    }
    ASSERT_TRUE(hover("/gone.png"));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
            return m_view->Preview()->Tip()->findChildren<QLabel*>().at(1)->text() ==
                   QStringLiteral("无法预览：服务器回答 HTTP 404");
        },
        2000));
    EXPECT_EQ(m_site.Hits("/gone.png"), 1) << "the tip asks no second time";

    Menu("/tall.png", "复制链接");
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), m_site.Origin() + "/tall.png");
    Menu("/small.svg", "在浏览器中打开");
    EXPECT_EQ(m_seams.browser.opened, std::vector<std::string>{m_site.Origin() + "/small.svg"});
}

// Ctrl+F, the fields in Tab order, Enter and Esc, each as a key.
TEST_F(CheckFilter, TheBarTakesItsKeysInTabOrderAndOnlyTheListMakesRoom) {
    std::map<QWidget*, QRect> places;
    for (QWidget* widget : m_view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        places[widget] = widget->geometry();
    const QRect list = List()->geometry();
    Key(Qt::Key_F, Qt::ControlModifier);
    const std::vector<const Control*> fields = {&m_model->FilterText, &m_model->FilterType,
                                                &m_model->FilterWidth, &m_model->FilterHeight,
                                                &m_model->FilterFailed};
    const std::vector<QString> typed = {".png", "", "30", "20", ""};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        ASSERT_EQ(QApplication::focusWidget(), Widget(*fields[i])) << fields[i]->Name();
        QTest::keyClicks(QApplication::focusWidget(), typed[i]);
        Key(fields[i] == &m_model->FilterType ? Qt::Key_Down : Qt::Key_Tab);
        if (fields[i] == &m_model->FilterType)
            Key(Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), Widget(m_model->LogShow));
    Widget(m_model->FilterFailed)->setFocus();
    Key(Qt::Key_Space);
    EXPECT_EQ(List()->geometry().bottom(), Widget(m_model->FilterText)->geometry().top() - 3);
    EXPECT_EQ(Widget(m_model->FilterCount)->geometry().bottom(), list.bottom());
    for (const auto& [widget, place] : places) {
        if (widget != List() && !widget->isHidden()) {
            EXPECT_EQ(widget->geometry(), place) << widget->metaObject()->className();
        }
    }
    Key(Qt::Key_Return);
    EXPECT_TRUE(Shown().empty()) << "a row shows once its check has told its type and size";
    ASSERT_TRUE(Status("检查完毕：可用 12 个，失败 2 个。"));
    EXPECT_EQ(Shown(), std::vector<std::string>{"/wide.png"});
    EXPECT_EQ(static_cast<QLabel*>(Widget(m_model->FilterCount))->text(),
              QStringLiteral("显示 1 / 共 16 个"));
    EXPECT_EQ(m_site.Hits("/photo.jpg"), 0) << "only what the text lets through is checked";

    Key(Qt::Key_Escape);
    EXPECT_TRUE(Widget(m_model->FilterText)->isHidden());
    EXPECT_EQ(List()->geometry(), list);
    EXPECT_EQ(Shown().size(), 16u);
}

TEST_F(CheckFilter, SelectAllAndDownloadTakeOnlyTheShownItems) {
    QTest::mouseClick(Widget(m_model->SDownAll), Qt::LeftButton);  // all 16 ticked
    Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "MANY");
    Key(Qt::Key_Enter);
    ASSERT_EQ(Shown().size(), 10u);
    const auto ticked = [this](bool hidden) {
        int count = 0;
        for (int i = 0; i < m_model->GetPic.ListCount(); ++i)
            count += m_model->GetPic.Hidden(i) == hidden && m_model->GetPic.Selected(i);
        return count;
    };
    QTest::mouseClick(Widget(m_model->SDownAll), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(ticked(false), 0);
    EXPECT_EQ(ticked(true), 6) << "hidden items keep their ticks";
    QTest::mouseClick(Widget(m_model->SDownAll), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows()->index(3).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    m_model->FileS2.SetValue(true);
    m_model->FileS2Dir.SetText(m_dir.filePath("out").toStdString());
    QDir(m_dir.path()).mkdir("out");
    QTest::mouseClick(Widget(m_model->DownPic), Qt::LeftButton);
    ASSERT_TRUE(Status("下载成功 10 个文件；下载失败 0 个文件。", 10000));
    const auto saved = testing::Contents(m_dir.filePath("out").toStdString());
    EXPECT_EQ(saved.size(), 10u);
    EXPECT_EQ(saved.count("n0.png"), 1u);
}

TEST_F(CheckFilter, ANewExtractionCancelsTheCheck) {
    std::ofstream(m_dir.filePath("other.css").toStdString())
        << ".o{background:url(" + m_site.Origin() + "/other.png)}";
    Menu("/gone.png", "检查全部链接");
    QTest::qWait(50);  // the first eight are on their way
    Extract("other.css");
    EXPECT_FALSE(m_model->Busy());
    QTest::qWait(600);
    int asked = 0;
    for (const std::string& path : m_paths)
        asked += m_site.Hits(path);
    EXPECT_LE(asked, 8) << "nothing more was asked";
    EXPECT_EQ(m_model->LogShow.Text(), "图片链接已完成载入列表。");
    EXPECT_EQ(m_model->GetPic.Mark(0), "");
}

}  // namespace
}  // namespace pixquarry
