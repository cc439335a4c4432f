// The first hover on a picture link: the time from the pointer coming to rest
// on the link to its thumbnail on screen, for a JPEG of about 200 KiB on a
// loopback site that answers after 50 ms. The 400 ms rest is included. The
// peer, in the same run, shows the same thumbnail the blocking way: after the
// same rest, a libcurl transfer on the window's thread, then QImage decodes
// it whole and scales it. Medians of 10 first hovers, each on a fresh window.
// Run with QT_QPA_PLATFORM=offscreen.

#include <curl/curl.h>
#include <httplib.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/MainF1.h"
#include "gui/MainView.h"
#include "gui/PicPreview.h"
#include "gui/QtEventLoop.h"
#include "gui/QtThumbnailMaker.h"
#include "platform/curl/EngineHttpClient.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/PosixFileReader.h"
#include "tests/fakes/FakeSeams.h"

namespace {

using namespace pixquarry;

constexpr int kRuns = 10;

std::string NoisyJpeg() {
    QImage image(800, 600, QImage::Format_RGB32);
    QRandomGenerator random(12);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    }
    // The lowest quality that comes to 200 KiB.
    QByteArray bytes;
    for (int quality = 30; quality <= 100 && bytes.size() < 200 * 1024; quality += 2) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", quality);
    }
    return bytes.toStdString();
}

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return (ms[kRuns / 2 - 1] + ms[kRuns / 2]) / 2;
}

double PixquarryFirstHover(const std::string& link) {
    QtEventLoop loop;
    TransferEngine engine(loop);
    EngineHttpClient pictures(engine, PreviewLimits());
    QtThumbnailMaker thumbnails;
    testing::FakeSeams seams;
    seams.pictures = &pictures;
    seams.thumbnails = &thumbnails;
    MainF1 model(seams.Make());
    MainView view(model, seams.browser, &engine);
    view.show();
    model.GetPic.AddItem(link);
    QCoreApplication::processEvents();
    auto& list = *static_cast<QListView*>(view.WidgetFor(model.GetPic));
    QSignalSpy shown(view.Preview(), &PicPreview::Shown);
    const QPoint at = list.visualRect(list.model()->index(0, 0)).center();
    QMouseEvent move(QEvent::MouseMove, at, list.viewport()->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::sendEvent(list.viewport(), &move);
    if (!shown.wait(5000) || !shown.at(0).at(1).toBool())
        throw std::runtime_error("a hover showed no thumbnail within 5 s");
    view.Preview()->Tip()->repaint();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

size_t Append(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

double BlockingPeer(const std::string& link) {
    QLabel tip(nullptr, Qt::ToolTip);
    QElapsedTimer clock;
    clock.start();
    QEventLoop wait;
    QTimer::singleShot(PicPreview::kRestMs, &wait, [&] {
        std::string body;
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_URL, link.c_str());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Append);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        curl_easy_perform(easy);
        curl_easy_cleanup(easy);
        const QImage image = QImage::fromData(QByteArray::fromStdString(body));
        tip.setPixmap(QPixmap::fromImage(image.scaled(160, 160, Qt::KeepAspectRatio)));
        tip.show();
        tip.repaint();
        wait.quit();
    });
    wait.exec();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string jpeg = NoisyJpeg();
    httplib::Server server;
    server.set_tcp_nodelay(true);
    server.Get("/pic.jpg", [&jpeg](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        res.set_content(jpeg, "image/jpeg");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::yield();
    const std::string link = "http://127.0.0.1:" + std::to_string(port) + "/pic.jpg";

    std::vector<double> ours;
    std::vector<double> peer;
    for (int i = 0; i < kRuns; ++i) {
        ours.push_back(PixquarryFirstHover(link));
        peer.push_back(BlockingPeer(link));
    }
    std::printf("== First hover on a %zu KiB JPEG, 50 ms per answer, 400 ms rest included ==\n",
                jpeg.size() / 1024);
    std::printf("pixquarry hover preview:                     %.1f ms (goal < 600 ms)\n",
                Median(ours));
    std::printf("blocking libcurl + whole QImage decode (peer): %.1f ms\n", Median(peer));
    std::printf("time ratio pixquarry/peer:                   %.2f\n", Median(ours) / Median(peer));
    server.stop();
    serving.join();
    return 0;
}
