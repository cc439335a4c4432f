// The hover preview of the picture list, offscreen, against pictures on
// 127.0.0.1 that arrive 200 ms after they are asked for.

#include <gtest/gtest.h>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <array>
#include <string>

#include "app/MainF1.h"
#include "gui/MainView.h"
#include "gui/PicPreview.h"
#include "gui/QtEventLoop.h"
#include "platform/curl/TransferEngine.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/StaticSite.h"

namespace pixquarry {
namespace {

std::string Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

std::string Chunk(const std::string& type, const std::string& data) {
    const auto be32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    };
    return be32(static_cast<std::uint32_t>(data.size())) + type + data + be32(Crc32(type + data));
}

// A few KiB that claim 30,000 x 30,000 grey pixels: the first rows, all zero.
std::string PngBomb() {
    const std::string size{0, 0, 0x75, 0x30};  // 30000
    const std::string header = size + size + std::string{1, 0, 0, 0, 0};
    const QByteArray rows = qCompress(QByteArray(400 * 3751, '\0'), 9).mid(4);  // zlib stream
    return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", header) + Chunk("IDAT", rows.toStdString()) +
           Chunk("IEND", "");
}

struct HoverCase {
    const char* path;
    bool thumbnail;
    const char* facts;  // how the text begins
};

TEST(Preview, HoverShowsAThumbnailOrWhyNotWhileTheWindowKeepsRunning) {
    testing::StaticSite site(std::chrono::milliseconds(200));
    site.Put("/pic.png", Png(QImage(640, 480, QImage::Format_RGB32)), "image/png");
    site.Put("/bomb.png", PngBomb(), "image/png");
    site.Put("/huge.png", std::string(17 * 1024 * 1024, 'x'), "image/png");
    site.Start();

    QtEventLoop loop;
    TransferEngine engine(loop);
    testing::FakeSeams seams;
    MainF1 model(seams.Make());
    MainView view(model, seams.browser, &engine);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const std::array<HoverCase, 4> cases{{
        {"/bomb.png", false, "无法预览：图片尺寸过大（30000 × 30000 像素）"},
        {"/gone.png", false, "无法预览：服务器回答 HTTP 404"},
        {"/huge.png", false, "无法预览：图片超过 16 MiB"},
        {"/pic.png", true, "640 × 480 像素，"},
    }};
    for (const HoverCase& c : cases)
        model.GetPic.AddItem(site.Origin() + c.path);

    PicPreview& preview = *view.Preview();
    QListView& list = *static_cast<QListView*>(view.WidgetFor(model.GetPic));
    auto* facts = preview.Tip()->findChildren<QLabel*>().at(1);
    auto* picture = preview.Tip()->findChildren<QLabel*>().at(0);
    const auto hover = [&list](int row) {
        const QPoint at = list.visualRect(list.model()->index(row, 0)).center();
        QMouseEvent move(QEvent::MouseMove, at, list.viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &move);
    };
    for (int row = 0; row < 4; ++row) {
        const HoverCase& c = cases[row];
        QSignalSpy shown(&preview, &PicPreview::Shown);
        // Ticks every 10 ms while the picture is on its way.
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        clock.start();
        tick.start(10);
        hover(row);
        ASSERT_TRUE(shown.wait(5000)) << c.path;
        EXPECT_GE(clock.elapsed(), PicPreview::kRestMs) << c.path;
        EXPECT_LT(longest, 100) << c.path;
        EXPECT_TRUE(preview.Tip()->isVisible());
        EXPECT_EQ(shown.at(0).at(1).toBool(), c.thumbnail) << c.path;
        EXPECT_TRUE(facts->text().startsWith(QString::fromUtf8(c.facts)))
            << facts->text().toStdString();
        EXPECT_EQ(picture->isVisible(), c.thumbnail) << c.path;
        EXPECT_EQ(picture->pixmap().size(), c.thumbnail ? QSize(160, 120) : QSize(0, 0)) << c.path;
    }
    // Back to the first: from the cache, without asking the site again.
    QSignalSpy shown(&preview, &PicPreview::Shown);
    hover(0);
    ASSERT_TRUE(shown.wait(2000));
    EXPECT_EQ(site.Hits("/bomb.png"), 1);
}

}  // namespace
}  // namespace pixquarry
