// The real window, offscreen, against slow, silent and late servers on
// 127.0.0.1: it keeps repainting and taking input while transfers run, work
// that ends out of order never strands or overwrites other work, and
// closing it cancels everything.

#include <gtest/gtest.h>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/MainF1.h"
#include "gui/MainView.h"
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

// Sources by address, noting how deep the stack is each time an answer
// arrives: a handler that waited in a loop of its own would be under it.
class DepthClient final : public HttpClient {
public:
    explicit DepthClient(TransferEngine& engine) : m_real(engine, SourceFetchLimits()) {}
    std::uint64_t Get(const std::string& url, Answer answer, std::int64_t maxBytes) override {
        return m_real.Get(
            url,
            [this, answer = std::move(answer)](HttpResponse response) {
                char here;
                depth = reinterpret_cast<std::uintptr_t>(&here);
                answer(std::move(response));
            },
            maxBytes);
    }
    void Cancel(std::uint64_t id) override { m_real.Cancel(id); }
    std::uintptr_t depth = 0;

private:
    EngineHttpClient m_real;
};

class Responsive : public ::testing::Test {
protected:
    void SetUp() override {
        auto& routes = m_server.Routes();
        // `chunks` chunks of 64 KiB, one every 60 ms.
        routes.Get(
            R"(/slow/(\d+)/.+)", [this](const httplib::Request& req, httplib::Response& res) {
                Asked(req.path);
                const std::size_t chunks = std::stoul(req.matches[1]);
                res.set_content_provider(
                    chunks * kChunk, "image/png",
                    [this](size_t offset, size_t, httplib::DataSink& sink) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(60));
                        const std::string chunk(kChunk, static_cast<char>('a' + offset / kChunk));
                        return !m_closing && sink.write(chunk.data(), chunk.size());
                    });
            });
        // Headers and four bytes, then nothing until the test ends.
        for (const char* path : {"/silent.png", "/Update.exe"}) {
            routes.Get(path, [this](const httplib::Request& req, httplib::Response& res) {
                Asked(req.path);
                res.set_content_provider(
                    1000, "application/octet-stream",
                    [this](size_t, size_t, httplib::DataSink& sink) {
                        sink.write("GIF8", 4);
                        while (!m_closing)
                            std::this_thread::sleep_for(std::chrono::milliseconds(10));
                        return false;
                    });
            });
        }
        // A sheet naming NAME.png, or a 404 for "gone", after MS milliseconds.
        routes.Get(R"(/late/(\d+)/(\w+)\.css)", [this](const httplib::Request& req,
                                                       httplib::Response& res) {
            Asked(req.path);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(req.matches[1])));
            if (req.matches[2] == "gone")
                res.status = 404;
            else
                res.set_content(".x{background:url(" + req.matches[2].str() + ".png)}", "text/css");
        });
        // A small picture that notes the status line on the screen when it is asked for.
        routes.Get(R"(/seen/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            Asked(req.path);
            const QStringList painted = m_paints ? m_paints->Texts() : QStringList();
            m_paintedAtRequest.push_back(painted.isEmpty() ? QString() : painted.back());
            res.set_content(req.matches[1].str(), "image/png");
        });
        // The update question, answered after 1.5 s of silence.
        routes.Get("/FileList/mysoft/Pixquarry/",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       Asked(req.path);
                       std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                       res.set_content(m_reply, "text/plain");
                   });
        m_server.Start();
        m_seams.download = &m_downloads;
        m_seams.http = &m_http;
        m_seams.pages = &m_pages;
        m_seams.program = {m_dir.path().toStdString(), "pixquarry"};
        m_seams.processes.reason.clear();
        m_model = std::make_unique<MainF1>(m_seams.Make(), m_server.Origin());
        m_view = std::make_unique<MainView>(*m_model, m_seams.browser, &m_engine);
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void TearDown() override { m_closing = true; }

    void Asked(const std::string& path) {
        const std::lock_guard lock(m_mutex);
        m_asked.insert(path);
    }
    bool WasAsked(const std::string& path) {
        const std::lock_guard lock(m_mutex);
        return m_asked.count(path) > 0;
    }
    // Ticked links, to be saved into the test's own folder.
    void List(const std::vector<std::string>& paths, bool ticked = true) {
        for (const std::string& path : paths)
            m_model->GetPic.AddItem(m_server.Url(path));
        for (int i = 0; i < m_model->GetPic.ListCount(); ++i)
            m_model->GetPic.SetSelected(i, ticked);
        m_model->FileS2.SetValue(true);
        m_model->FileS2Dir.SetText(m_dir.path().toStdString());
    }
    QWidget* Widget(const Control& control) { return m_view->WidgetFor(control); }
    void Press(const Control& button) { QTest::mouseClick(Widget(button), Qt::LeftButton); }
    void Extract(const std::string& source) {
        m_model->OFile1.SetText(source);
        Press(m_model->SearchPic);
    }
    bool RunEnded() { return m_model->LogShow.Text().rfind("下载成功 ", 0) == 0; }
    bool Idle(int ms = 10000) {
        return QTest::qWaitFor([this] { return !m_model->Busy(); }, ms);
    }
    std::vector<std::string> Items() { return testing::ListItems(m_model->GetPic); }

    std::atomic<bool> m_closing{false};
    std::mutex m_mutex;
    std::set<std::string> m_asked;
    std::string m_reply = "100";
    PaintLog* m_paints = nullptr;
    std::vector<QString> m_paintedAtRequest;  // the server asks one at a time
    testing::TestHttpServer m_server;
    QTemporaryDir m_dir;
    QtEventLoop m_loop;
    TransferEngine m_engine{m_loop};
    EngineDownloads m_downloads{m_engine};
    EngineHttpClient m_http{m_engine, UpdateCheckLimits()};
    DepthClient m_pages{m_engine};
    testing::FakeSeams m_seams;
    std::unique_ptr<MainF1> m_model;
    std::unique_ptr<MainView> m_view;
};

TEST_F(Responsive, TimersFireAndKeysArriveWhileAPictureArrives) {
    List({"/slow/24/a.png"});
    int beats = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&beats] { ++beats; });
    heartbeat.start(20);
    bool typedBeforeTheEnd = false;
    QTimer::singleShot(500, [&] {
        auto* box = qobject_cast<QLineEdit*>(Widget(m_model->WebUrl));
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("abc"));
        typedBeforeTheEnd =
            !RunEnded() && box->text() == QStringLiteral("abc") && m_model->WebUrl.Text() == "abc";
    });

    QElapsedTimer clock;
    clock.start();
    Press(m_model->DownPic);
    ASSERT_TRUE(QTest::qWaitFor([this] { return RunEnded(); }, 10000));
    const qint64 took = clock.elapsed();
    EXPECT_EQ(m_model->LogShow.Text(), "下载成功 1 个文件；下载失败 0 个文件。");
    EXPECT_GE(took, 1000);
    // A beat every 20 ms: at least half of them, not one or two between items.
    EXPECT_GT(beats, took / 40) << "beats " << beats << " in " << took << " ms";
    EXPECT_TRUE(typedBeforeTheEnd);
    EXPECT_EQ(testing::ReadFile(m_dir.filePath(QStringLiteral("a.png")).toStdString()).size(),
              24u * kChunk);
}

// Each item's line is on the screen before the next transfer starts.
TEST_F(Responsive, EveryStatusLineIsPaintedAsSoonAsItIsSet) {
    PaintLog paints(qobject_cast<QLineEdit*>(Widget(m_model->LogShow)));
    m_paints = &paints;
    List({"/seen/a.png", "/seen/b.png"});
    Press(m_model->DownPic);
    ASSERT_TRUE(QTest::qWaitFor([this] { return RunEnded(); }, 10000));
    ASSERT_EQ(m_paintedAtRequest.size(), 2u);
    EXPECT_EQ(m_paintedAtRequest[1], QStringLiteral("下载成功：a.png"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.Texts().size() >= 2; }, 1000));
    EXPECT_EQ(paints.Texts().mid(paints.Texts().size() - 2),
              (QStringList{QStringLiteral("下载成功：b.png"),
                           QStringLiteral("下载成功 2 个文件；下载失败 0 个文件。")}));
}

// An extraction that fails while a run goes on: its line shows, the run goes
// on to its end, and the bar counts the items ticked meanwhile.
TEST_F(Responsive, ARunGoesOnThroughAnExtractionAndTicksAddedMidway) {
    List({"/slow/6/a.png", "/slow/6/b.png", "/slow/6/c.png"}, false);
    m_model->GetPic.SetSelected(0, true);
    bool fullWhileRunning = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const ProgressBar& bar = m_model->DownProgress;
        fullWhileRunning |= m_model->Busy() && bar.Visible() && bar.Value() >= bar.Max();
    });
    watch.start(5);
    Press(m_model->DownPic);
    QTest::qWait(150);
    m_model->GetPic.SetSelected(1, true);
    m_model->GetPic.SetSelected(2, true);
    Extract(m_server.Url("/late/300/gone.css"));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return m_model->LogShow.Text().find("服务器回答 HTTP 404") != std::string::npos; },
        5000));
    ASSERT_TRUE(QTest::qWaitFor([this] { return RunEnded(); }, 10000)) << m_model->LogShow.Text();
    EXPECT_EQ(m_model->LogShow.Text(), "下载成功 3 个文件；下载失败 0 个文件。");
    EXPECT_EQ(testing::Contents(m_dir.path().toStdString()).size(), 3u);
    EXPECT_FALSE(fullWhileRunning) << "the bar was full while a picture was still coming";
    EXPECT_TRUE(m_model->DownPic.Enabled());
}

// The newer press wins, whatever order the answers come in; and a press never
// waits, so 300 of them leave the stack as deep as one.
TEST_F(Responsive, TheLastExtractionsListWinsAndPressesDoNotPileUp) {
    const std::string local = m_dir.filePath(QStringLiteral("local.css")).toStdString();
    std::ofstream(local) << ".l{background:url(local.png)}";
    Extract(m_server.Url("/late/800/slow.css"));
    QTest::qWait(100);
    Extract(local);
    ASSERT_TRUE(Idle());
    QTest::qWait(1000);  // long past the slow answer
    EXPECT_EQ(Items(), std::vector<std::string>{m_model->WebUrl.Text() + "local.png"});
    EXPECT_EQ(m_model->OFile1.Text(), local);
    EXPECT_EQ(m_model->LogShow.Text(), "图片链接已完成载入列表。");

    // How deep the stack is when an answer arrives: for one press, and for
    // the last of 300.
    const auto listed = [this](const std::string& name) {
        return QTest::qWaitFor(
            [&] { return Items() == std::vector<std::string>{m_model->WebUrl.Text() + name}; },
            10000);
    };
    Extract(m_server.Url("/late/200/one.css"));
    ASSERT_TRUE(listed("one.png"));
    const std::uintptr_t one = m_pages.depth;
    for (int press = 0; press < 300; ++press)
        Extract(m_server.Url("/late/200/p" + std::to_string(press) + ".css"));
    ASSERT_TRUE(listed("p299.png"));
    ASSERT_TRUE(Idle());
    // The stack grows down: a deeper one sits at a lower address.
    EXPECT_LT(static_cast<std::intptr_t>(one - m_pages.depth), 16 * 1024)
        << "the stack grew with the presses";
}

TEST_F(Responsive, DuringTheStartUpCheckNothingTakesInputThenTheWindowIsAsAtStart) {
    m_model->GetPic.AddItems({m_server.Url("/seen/hover.png")});
    QString during;
    bool disabledDuring = false;
    QTimer::singleShot(300, [&] {
        during = qobject_cast<QLineEdit*>(Widget(m_model->LogShow))->text();
        disabledDuring =
            !Widget(m_model->SearchPic)->isEnabled() && !Widget(m_model->OFile1)->isEnabled() &&
            !Widget(m_model->DownPic)->isEnabled() && !Widget(m_model->GetPic)->isEnabled();
        // A drop on the window and a rest on a link.
        QMimeData data;
        data.setUrls({QUrl(QString::fromStdString(m_server.Url("/late/0/drop.css")))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(m_view.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view.get(), &drop);
        auto* list = qobject_cast<QListView*>(Widget(m_model->GetPic));
        QMouseEvent move(QEvent::MouseMove, list->visualRect(list->model()->index(0, 0)).center(),
                         list->viewport()->mapToGlobal(QPoint(5, 5)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
    });
    QElapsedTimer clock;
    clock.start();
    m_model->Form_Load();
    EXPECT_LT(clock.elapsed(), 200) << "the check does not hold up the handler";
    ASSERT_TRUE(Idle());
    EXPECT_GE(clock.elapsed(), 1400) << "the site answers after 1.5 s";
    QTest::qWait(300);

    EXPECT_EQ(during, QStringLiteral("正在检查更新……"));
    EXPECT_TRUE(disabledDuring);
    EXPECT_FALSE(WasAsked("/late/0/drop.css")) << "the drop was taken";
    EXPECT_FALSE(WasAsked("/seen/hover.png")) << "the hover was taken";
    EXPECT_EQ(m_model->OFile1.Text(), MainF1::kOFile1Hint);
    EXPECT_EQ(m_model->LogShow.Text(), "程序启动完成。");
    for (const Control* control : m_model->FocusOrder())
        EXPECT_EQ(control->Enabled(), control != &m_model->OpenDownDir) << control->Name();
    EXPECT_TRUE(Widget(m_model->SearchPic)->isEnabled());
}

// Closing the window ends whatever runs at once: no file, no box, no program.
TEST_F(Responsive, ClosingCancelsEverythingInFlight) {
    List({"/silent.png"});
    Press(m_model->DownPic);
    QTest::qWait(400);
    QElapsedTimer sinceClose;
    sinceClose.start();
    m_view->close();
    EXPECT_FALSE(m_model->Busy());
    EXPECT_LT(sinceClose.elapsed(), 1000);
    EXPECT_TRUE(QDir(m_dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST_F(Responsive, ClosingWhileTheUpdaterComesStartsNothing) {
    m_reply = "101-KWKW-Pixquarry-KWKW-2.00-KWKW-" + m_server.Url("/Update.exe") + "-KWKW-D:\\new";
    const std::string oldUpdater = m_dir.filePath(QStringLiteral("Update.exe")).toStdString();
    std::ofstream(oldUpdater) << "an updater from an earlier start";
    m_model->Form_Load();
    ASSERT_TRUE(QTest::qWaitFor([this] { return WasAsked("/Update.exe"); }, 5000));
    QTest::qWait(200);
    m_view->close();
    QTest::qWait(500);
    EXPECT_FALSE(m_model->Busy());
    EXPECT_TRUE(m_seams.box.shown.empty());
    EXPECT_TRUE(m_seams.processes.asked.empty());
    EXPECT_EQ(
        testing::Contents(m_dir.path().toStdString()),
        (std::map<std::string, std::string>{{"Update.exe", "an updater from an earlier start"}}));
}

}  // namespace
}  // namespace pixquarry
