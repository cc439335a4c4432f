// The window keeps repainting and taking input while transfers run on the
// event loop, against slow and silent servers on 127.0.0.1.

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/MainF1.h"
#include "gui/MainView.h"
#include "gui/QtDesktop.h"
#include "gui/QtEventLoop.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

constexpr int kChunk = 64 * 1024;

// Notes the text of a line edit each time it is painted.
class PaintLog final : public QObject {
public:
    explicit PaintLog(QLineEdit* edit) : m_edit(edit) { edit->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        const std::lock_guard lock(m_mutex);
        if (event->type() == QEvent::Paint && (m_texts.empty() || m_texts.back() != m_edit->text()))
            m_texts.push_back(m_edit->text());
        return false;
    }
    QStringList Texts() {
        const std::lock_guard lock(m_mutex);
        return m_texts;
    }

private:
    QLineEdit* m_edit;
    std::mutex m_mutex;
    QStringList m_texts;
};

class Responsive : public ::testing::Test {
protected:
    void SetUp() override {
        auto& routes = m_server.Routes();
        // 24 chunks of 64 KiB, one every 60 ms: about 1.4 s in all.
        routes.Get("/slow.png", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                24 * kChunk, "image/png", [this](size_t offset, size_t, httplib::DataSink& sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(60));
                    const std::string chunk(kChunk, static_cast<char>('a' + offset / kChunk));
                    return !m_closing && sink.write(chunk.data(), chunk.size());
                });
        });
        // Headers and four bytes, then nothing until the test ends.
        routes.Get("/silent.png", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                1000, "image/png", [this](size_t, size_t, httplib::DataSink& sink) {
                    sink.write("GIF8", 4);
                    while (!m_closing)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    return false;
                });
        });
        // A small picture that notes the status line on the screen when it is asked for.
        routes.Get(R"(/seen/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            const QStringList painted = m_paints->Texts();
            m_paintedAtRequest.push_back(painted.isEmpty() ? QString() : painted.back());
            res.set_content(req.matches[1].str(), "image/png");
        });
        // The update question, answered "nothing new" after 1.5 s of silence.
        routes.Get("/FileList/mysoft/Pixquarry/",
                   [](const httplib::Request&, httplib::Response& res) {
                       std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                       res.set_content("100", "text/plain");
                   });
        m_server.Start();
        m_seams.download = &m_downloader;
        m_site = std::make_unique<testing::RecordingClient>(m_engine, UpdateCheckLimits());
        m_seams.http = m_site.get();
        m_seams.program = {m_dir.path().toStdString(), "pixquarry"};
        m_seams.pending = &m_desktop;
        m_model = std::make_unique<MainF1>(m_seams.Make(), m_server.Origin());
        m_view = std::make_unique<MainView>(*m_model, m_seams.browser, &m_engine);
        m_view->OnClose([this] { m_loop.Quit(); });
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void TearDown() override { m_closing = true; }

    // Ticked links, to be saved into the test's own folder.
    void List(const std::vector<std::string>& paths) {
        for (const std::string& path : paths)
            m_model->GetPic.AddItem(m_server.Url(path));
        for (int i = 0; i < m_model->GetPic.ListCount(); ++i)
            m_model->GetPic.SetSelected(i, true);
        m_model->FileS2.SetValue(true);
        m_model->FileS2Dir.SetText(m_dir.path().toStdString());
    }
    QString Shown(const Control& control) {
        return qobject_cast<QLineEdit*>(m_view->WidgetFor(control))->text();
    }
    bool RunEnded() { return m_model->LogShow.Text().rfind("下载成功 ", 0) == 0; }

    std::atomic<bool> m_closing{false};
    PaintLog* m_paints = nullptr;
    std::vector<QString> m_paintedAtRequest;  // the server asks one at a time
    testing::TestHttpServer m_server;
    QTemporaryDir m_dir;
    QtEventLoop m_loop;
    TransferEngine m_engine{m_loop};
    EngineDownloader m_downloader{m_engine};
    std::unique_ptr<testing::RecordingClient> m_site;
    QtDesktop m_desktop;
    testing::FakeSeams m_seams;
    std::unique_ptr<MainF1> m_model;
    std::unique_ptr<MainView> m_view;
};

TEST_F(Responsive, TimersFireAndKeysArriveWhileAPictureArrives) {
    List({"/slow.png"});
    int beats = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&beats] { ++beats; });
    heartbeat.start(20);
    bool typedBeforeTheEnd = false;
    QTimer::singleShot(500, [&] {
        auto* box = qobject_cast<QLineEdit*>(m_view->WidgetFor(m_model->WebUrl));
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("abc"));
        typedBeforeTheEnd =
            !RunEnded() && box->text() == QStringLiteral("abc") && m_model->WebUrl.Text() == "abc";
    });

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(m_view->WidgetFor(m_model->DownPic), Qt::LeftButton);
    QCoreApplication::processEvents();  // the press's handler, posted by the view
    const qint64 took = clock.elapsed();

    EXPECT_TRUE(RunEnded());
    EXPECT_EQ(m_model->LogShow.Text(), "下载成功 1 个文件；下载失败 0 个文件。");
    EXPECT_GE(took, 1000);
    // A beat every 20 ms: at least half of them, not one or two between items.
    EXPECT_GT(beats, took / 40) << "beats " << beats << " in " << took << " ms";
    EXPECT_TRUE(typedBeforeTheEnd);
    EXPECT_EQ(testing::ReadFile(m_dir.filePath(QStringLiteral("slow.png")).toStdString()).size(),
              24u * kChunk);
}

TEST_F(Responsive, ClosingMidTransferEndsAtOnceAndLeavesNothing) {
    List({"/silent.png"});
    QElapsedTimer sinceClose;
    QTimer::singleShot(400, [&] {
        sinceClose.start();
        m_view->close();
    });
    QTest::mouseClick(m_view->WidgetFor(m_model->DownPic), Qt::LeftButton);
    QCoreApplication::processEvents();  // the press's handler, posted by the view
    ASSERT_TRUE(sinceClose.isValid()) << "the run ended before the window closed";
    EXPECT_LT(sinceClose.elapsed(), 1000);
    EXPECT_TRUE(QDir(m_dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST_F(Responsive, StartUpShowsTheCheckWithControlsDisabledThenTheInitialState) {
    QString during;
    bool disabledDuring = false;
    QTimer::singleShot(300, [&] {
        during = Shown(m_model->LogShow);
        disabledDuring = !m_view->WidgetFor(m_model->SearchPic)->isEnabled() &&
                         !m_view->WidgetFor(m_model->OFile1)->isEnabled() &&
                         !m_view->WidgetFor(m_model->DownPic)->isEnabled() &&
                         !m_view->WidgetFor(m_model->GetPic)->isEnabled();
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(m_model->Form_Load(), MainF1::LoadOutcome::Continue);
    EXPECT_GE(clock.elapsed(), 1400) << "the site answers after 1.5 s";

    EXPECT_EQ(during, QStringLiteral("正在检查更新……"));
    EXPECT_TRUE(disabledDuring);
    EXPECT_EQ(m_model->LogShow.Text(), "程序启动完成。");
    for (const Control* control : m_model->FocusOrder())
        EXPECT_EQ(control->Enabled(), control != &m_model->OpenDownDir) << control->Name();
    EXPECT_TRUE(m_view->WidgetFor(m_model->SearchPic)->isEnabled());
}

// Each item's line is on the screen before the next transfer starts.
TEST_F(Responsive, EveryStatusLineIsPaintedAsSoonAsItIsSet) {
    PaintLog paints(qobject_cast<QLineEdit*>(m_view->WidgetFor(m_model->LogShow)));
    m_paints = &paints;
    List({"/seen/a.png", "/seen/b.png"});
    QTest::mouseClick(m_view->WidgetFor(m_model->DownPic), Qt::LeftButton);
    QCoreApplication::processEvents();  // the press's handler, posted by the view
    ASSERT_EQ(m_paintedAtRequest.size(), 2u);
    EXPECT_EQ(m_paintedAtRequest[1], QStringLiteral("下载成功：a.png"));
    EXPECT_EQ(paints.Texts().mid(paints.Texts().size() - 2),
              (QStringList{QStringLiteral("下载成功：b.png"),
                           QStringLiteral("下载成功 2 个文件；下载失败 0 个文件。")}));
}

}  // namespace
}  // namespace pixquarry
