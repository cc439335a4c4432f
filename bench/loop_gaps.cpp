// How long the window's event loop goes without a turn while Pixquarry works:
// the longest gap between two ticks of a 1 ms timer. Each case is set against
// a named peer doing the same work the blocking way, in the same run.
//   (a) a 6 MiB picture arriving at 640 KiB/s, peer: a blocking libcurl
//       transfer on the window's thread;
//   (b) a web source whose server says nothing for 5 s, peer: the same;
//   (c) extracting 100,000 links and ticking them all, peer: a QListWidget
//       filled with the same checked items.
// Run with QT_QPA_PLATFORM=offscreen.

#include <curl/curl.h>
#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/MainF1.h"
#include "gui/MainView.h"
#include "gui/QtEventLoop.h"
#include "gui/QtOpenFileDialog.h"
#include "gui/QtOwnedDialogs.h"
#include "gui/QtThumbnailMaker.h"
#include "platform/curl/EngineDownloads.h"
#include "platform/curl/EngineHttpClient.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/DesktopOpener.h"
#include "platform/posix/PosixFileReader.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessStarter.h"
#include "platform/posix/SteadyClock.h"

namespace {

using namespace pixquarry;

constexpr int kChunk = 64 * 1024;

// The longest time between two turns of the loop from the start of `work`
// until `over` holds; the handlers `work` calls return at once and the rest
// runs in callbacks, so the loop itself decides when it is over.
double LongestGapMs(
    const std::function<void()>& work, const std::function<bool()>& over = [] { return true; }) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!over())
            return;
        longest = std::max(longest, clock.nsecsElapsed() - last);
        tick.stop();
        watch.stop();
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        tick.start(1);
        work();
        watch.start(1);
    });
    QCoreApplication::exec();
    return static_cast<double>(longest) / 1e6;
}

// The peer: a transfer on the window's thread that holds it until the end.
void BlockingGet(const std::string& url) {
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(
        easy, CURLOPT_WRITEFUNCTION,
        +[](char*, size_t size, size_t count, void*) { return size * count; });
    curl_easy_perform(easy);
    curl_easy_cleanup(easy);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int links = argc > 1 ? std::stoi(argv[1]) : 100000;

    std::atomic<bool> closing{false};
    httplib::Server server;
    server.Get("/throttled.png", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(96 * kChunk, "image/png",
                                 [&](size_t, size_t, httplib::DataSink& sink) {
                                     // 64 KiB every 100 ms: 640 KiB/s.
                                     std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                     const std::string chunk(kChunk, 'p');
                                     return !closing && sink.write(chunk.data(), chunk.size());
                                 });
    });
    server.Get("/silent.css", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 500 && !closing; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.set_content(".a{background:url(a.png)}", "text/css");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::yield();
    const std::string origin = "http://127.0.0.1:" + std::to_string(port);

    QTemporaryDir dir;
    const std::string css = dir.filePath("links.css").toStdString();
    {
        std::ofstream out(css);
        for (int i = 0; i < links; ++i)
            out << ".c" << i << "{background:url(img/p" << i << ".png)}\n";
    }

    QtEventLoop loop;
    TransferEngine engine(loop);
    EngineDownloads downloads(engine);
    EngineHttpClient http(engine, UpdateCheckLimits());
    EngineHttpClient pages(engine, SourceFetchLimits());
    EngineHttpClient pictures(engine, PreviewLimits());
    QtThumbnailMaker thumbnails;
    PosixFileReader files;
    PosixFileSystem fileSystem;
    QtOpenFileDialog openFile;
    QtOwnedDialogs dialogs;
    DesktopOpener desktop;
    PosixProcessStarter processes;
    SteadyClock steady;
    MainF1 model(Seams{files, fileSystem, openFile, dialogs, dialogs, desktop, desktop, downloads,
                       http, pages, pictures, thumbnails, processes, steady,
                       ProgramInfo{dir.path().toStdString(), "pixquarry"}});
    MainView view(model, desktop, &engine);
    view.show();
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();  // the window shown once before the first case

    std::printf("== Longest gap between two event-loop turns ==\n");
    const auto report = [](const char* what, double ours, double peer, const char* peerName) {
        std::printf("%s\n  pixquarry: %.1f ms   %s (peer): %.1f ms   ratio pixquarry/peer: %.3f\n",
                    what, ours, peerName, peer, ours / peer);
    };

    const double picture = LongestGapMs(
        [&] {
            model.GetPic.AddItem(origin + "/throttled.png");
            model.GetPic.SetSelected(0, true);
            model.FileS2.SetValue(true);
            model.FileS2Dir.SetText(dir.path().toStdString());
            model.DownPic_Click();
        },
        [&] { return !model.Busy(); });
    const double picturePeer = LongestGapMs([&] { BlockingGet(origin + "/throttled.png"); });
    report("(a) 6 MiB picture at 640 KiB/s (goal < 50 ms)", picture, picturePeer,
           "blocking libcurl transfer");
    std::printf("  run ended with: %s\n", model.LogShow.Text().c_str());

    const double silent = LongestGapMs(
        [&] {
            model.OFile1.SetText(origin + "/silent.css");
            model.SearchPic_Click();
        },
        [&] { return !model.Busy(); });
    const double silentPeer = LongestGapMs([&] { BlockingGet(origin + "/silent.css"); });
    report("(b) web source silent for 5 s (goal < 50 ms)", silent, silentPeer,
           "blocking libcurl transfer");

    const double harvest = LongestGapMs([&] {
        model.OFile1.SetText(css);
        model.SearchPic_Click();
        model.SDownAll_MouseDown(1);
        view.repaint();
    });
    if (model.GetPic.ListCount() != links) {
        std::fprintf(stderr, "expected %d items, got %d\n", links, model.GetPic.ListCount());
        return 1;
    }
    QListWidget peer;
    peer.setUniformItemSizes(true);
    peer.setSortingEnabled(true);
    peer.resize(601, 232);
    peer.show();
    const double harvestPeer = LongestGapMs([&] {
        for (int i = 0; i < model.GetPic.ListCount(); ++i) {
            auto* item = new QListWidgetItem(QString::fromStdString(model.GetPic.List(i)));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
            peer.addItem(item);
        }
        peer.repaint();
    });
    char what[128];
    std::snprintf(what, sizeof what, "(c) extract %d links and tick them all", links);
    report(what, harvest, harvestPeer, "QListWidget filled with the same checked items");

    closing = true;
    server.stop();
    serving.join();
    return 0;
}
