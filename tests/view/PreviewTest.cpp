// The hover preview of the picture list in the real window, offscreen,
// against pictures on 127.0.0.1.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>
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
#include <QtEndian>

#include <algorithm>
#include <array>
#include <atomic>
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
#include "tests/fakes/FakeSeams.h"
#include "tests/support/OpenWatch.h"
#include "tests/support/StaticSite.h"

namespace pixquarry {
namespace {

// 800 x 600 pixels of one colour as `format`, scaled to `size`; an indexed
// format has the colour second in its table.
std::string Encoded(QRgb colour, QImage::Format format = QImage::Format_RGB32,
                    const char* type = "PNG", QSize size = {800, 600}) {
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(colour);
    image = image.convertToFormat(format, {qRgb(0, 0, 0), colour});
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.scaled(size).save(&buffer, type);
    return bytes.toStdString();
}

// A GIF of 800 x 600 pixels of `colour`, the first of its four: a clear
// code before each pixel keeps every code 3 bits wide, 4 pixels in 3 bytes.
std::string Gif(QRgb colour) {
    std::string gif("GIF89a\x20\x03\x58\x02\x81\0\0", 13);
    gif += {char(qRed(colour)), char(qGreen(colour)), char(qBlue(colour))};
    gif += std::string(9, '\0') + std::string(",\0\0\0\0\x20\x03\x58\x02\0\x02", 11);
    std::string codes;
    for (int i = 0; i < 800 * 600 / 4; ++i)
        codes += "\x04\x41\x10";
    codes += '\x05';  // the end
    for (std::size_t at = 0; at < codes.size(); at += 255)
        gif += char(std::min<std::size_t>(255, codes.size() - at)) + codes.substr(at, 255);
    return gif + std::string("\0;", 2);
}

// A PNG of 1 x 1 pixel whose header claims 30,000 x 30,000.
std::string PngBomb() {
    std::string png = Encoded(qRgb(0, 0, 0), QImage::Format_Mono, "PNG", {1, 1});
    png.replace(16, 8, "\0\0\x75\x30\0\0\x75\x30", 8);  // 30000 x 30000
    const auto crc = qToBigEndian(static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));  // of the IHDR chunk
    return png.replace(29, 4, reinterpret_cast<const char*>(&crc), 4);
}

// `document` as an svgz with `copies` of `mib` MiB of blanks before its
// closing tag: the blanks are deflated on their own (so their bytes stand
// alone) and copied. zlib's trailer counts one copy, which a reader finds
// out only after inflating them all.
std::string Svgz(const std::string& document, int mib, int copies = 1) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    const auto deflated = [&stream](std::string in, int flush) {
        std::string out(in.size() + 64, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(in.data());
        stream.avail_in = static_cast<uInt>(in.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, flush);
        return out.substr(0, out.size() - stream.avail_out);
    };
    const std::size_t end = document.rfind("</");
    std::string gz = deflated(document.substr(0, end), Z_FULL_FLUSH);
    const std::string blanks =
        deflated(std::string(static_cast<std::size_t>(mib) << 20, ' '), Z_FULL_FLUSH);
    for (int i = 0; i < copies; ++i)
        gz += blanks;
    gz += deflated(document.substr(end), Z_FINISH);
    deflateEnd(&stream);
    return gz;
}

// 800 x 600 pixels of #3366cc, with `more` inside.
std::string Svg(const std::string& more, const std::string& before = "") {
    return before +
           "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
           "width=\"800\" height=\"600\"><rect width=\"800\" height=\"600\" fill=\"#3366cc\"/>" +
           more + "</svg>";
}

// An SVG naming a FIFO and a local picture in each way Qt might follow.
std::string SvgNaming(const std::string& fifo, const std::string& picture) {
    std::string more = "<style>@import url(\"" + fifo + "\");</style>";
    for (const std::string& name : {fifo, picture, "file://" + picture})
        more += "<image width=\"800\" height=\"600\" xlink:href=\"" + name + "\"/>";
    return Svg(more, "<?xml-stylesheet type=\"text/css\" href=\"" + fifo + "\"?>");
}

std::int64_t PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    }

    // The pointer moves onto `link`'s row, scrolled into view, as the window system moves it.
    void Hover(const std::string& link) {
        int row = 0;
        while (m_model.GetPic.List(row) != link)
            ++row;
        auto& list = *static_cast<QListView*>(m_view.WidgetFor(m_model.GetPic));
        list.scrollTo(list.model()->index(row, 0));
        const QPoint at = list.visualRect(list.model()->index(row, 0)).center();
        QMouseEvent move(QEvent::MouseMove, at, list.viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &move);
    }

    Seams MakeSeams() {
        m_seams.pictures = &m_pictures;
        m_seams.thumbnails = &m_maker;
        return m_seams.Make();
    }

    QtEventLoop m_loop;
    TransferEngine m_engine{m_loop};
    EngineHttpClient m_pictures{m_engine, PreviewLimits()};
    QtThumbnailMaker m_maker;
    testing::FakeSeams m_seams;
    MainF1 m_model{MakeSeams()};
    MainView m_view{m_model, m_seams.browser, &m_engine};
};

// The sanitizers slow the transfer's own work on the window's thread.
#ifdef PIXQUARRY_SANITIZED
constexpr qint64 kSlower = 3;
#else
constexpr qint64 kSlower = 1;
#endif

struct HoverCase {
    const char* path;
    const char* facts;  // how the text begins
    QRgb colour;        // the thumbnail's only colour; 0: no thumbnail
    qint64 gapMs = 50;  // the longest the window may stand still meanwhile
};

TEST_F(Preview, HoverShowsAThumbnailOrWhyNotWhileTheWindowKeepsRunning) {
    testing::OpenWatch watch(Encoded(qRgb(0, 255, 0)));
    // Each answer comes 200 ms after it is asked for.
    testing::StaticSite site(std::chrono::milliseconds(200));
    site.Put("/bomb.svgz", Svgz("<svg xmlns=\"http://www.w3.org/2000/svg\"></svg>", 1, 1024),
             "image/svg+xml");
    site.Put("/bomb.png", PngBomb(), "image/png");
    site.Put("/huge.png", std::string(17 * 1024 * 1024, 'x'), "image/png");
    site.Put("/mono.png", Encoded(qRgb(200, 30, 30), QImage::Format_Mono), "image/png");
    site.Put("/indexed.png", Encoded(qRgb(30, 160, 60), QImage::Format_Indexed8), "image/png");
    site.Put("/mono.bmp", Encoded(qRgb(40, 40, 200), QImage::Format_Mono, "BMP"), "image/bmp");
    site.Put("/indexed.gif", Gif(qRgb(220, 120, 20)), "image/gif");
    site.Put("/refs.svg", SvgNaming(watch.fifo, watch.picture), "image/svg+xml");
    site.Put("/big.svgz", Svgz(Svg(""), 15), "image/svg+xml");
    site.Start();
    // Hovered in this order: the tip shown once before the times count, the
    // svgz bomb while the peak memory is low.
    const std::array<HoverCase, 10> cases{{
        {"/gone.png", "无法预览：服务器回答 HTTP 404", 0},
        {"/bomb.svgz", "无法预览：图片解压后超过 16 MiB", 0},
        {"/bomb.png", "无法预览：图片尺寸过大（30000 × 30000 像素）", 0},
        // 17 MiB at loopback speed: receiving it holds the window longest,
        // the more so on a machine busy with other tests.
        {"/huge.png", "无法预览：图片超过 16 MiB", 0, 1000},
        {"/mono.png", "800 × 600 像素，", qRgb(200, 30, 30)},
        {"/indexed.png", "800 × 600 像素，", qRgb(30, 160, 60)},
        {"/mono.bmp", "800 × 600 像素，", qRgb(40, 40, 200)},
        {"/indexed.gif", "800 × 600 像素，", qRgb(220, 120, 20)},
        {"/refs.svg", "800 × 600 像素，", qRgb(0x33, 0x66, 0xcc)},
        // 15 MiB of SVG in 15 KiB: the window's wait is all decoding.
        {"/big.svgz", "800 × 600 像素，15.0 KiB，SVGZ", qRgb(0x33, 0x66, 0xcc)},
    }};
    for (const HoverCase& c : cases)
        m_model.GetPic.AddItem(site.Origin() + c.path);

    auto* facts = m_view.Preview()->Tip()->findChildren<QLabel*>().at(1);
    auto* picture = m_view.Preview()->Tip()->findChildren<QLabel*>().at(0);
    for (const HoverCase& c : cases) {
        QSignalSpy shown(m_view.Preview(), &PicPreview::Shown);
        const std::int64_t peak = PeakKiB();
        // Ticks every 10 ms while the picture is on its way and decoded, and
        // once more as the tip shows: a stall that ends with it counts.
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        const auto note = [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        };
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, note);
        QObject::connect(m_view.Preview(), &PicPreview::Shown, &tick, note);
        clock.start();
        tick.start(10);
        Hover(site.Origin() + c.path);
        ASSERT_TRUE(shown.wait(10000)) << c.path;
        EXPECT_GE(clock.elapsed(), PicPreview::kRestMs) << c.path;
        EXPECT_LT(longest, c.gapMs * kSlower) << c.path;
        EXPECT_LT(PeakKiB() - peak, 256 * 1024) << c.path;
        EXPECT_TRUE(m_view.Preview()->Tip()->isVisible());
        EXPECT_TRUE(facts->text().startsWith(QString::fromUtf8(c.facts)))
            << facts->text().toStdString();
        EXPECT_EQ(picture->isVisible(), c.colour != 0) << c.path;
        const QImage thumbnail = picture->pixmap().toImage();
        QImage oneColour(c.colour != 0 ? QSize(160, 120) : QSize(), thumbnail.format());
        oneColour.fill(c.colour);
        EXPECT_TRUE(thumbnail == oneColour) << c.path;
    }
    EXPECT_FALSE(watch.AnythingOpened());
    // Back to the first: from the cache, without asking the site again.
    QSignalSpy shown(m_view.Preview(), &PicPreview::Shown);
    Hover(site.Origin() + cases[0].path);
    ASSERT_TRUE(shown.wait(2000));
    EXPECT_EQ(site.Hits(cases[0].path), 1);
}

TEST_F(Preview, RowsPastThirtyTwoThousandPreviewTheirOwnLink) {
    testing::StaticSite site;
    site.Start();
    for (const int rows : {40000, 70000}) {
        std::vector<std::string> links;
        for (int i = 0; i < rows; ++i)
            links.push_back(site.Origin() +
                            QString("/n%1").arg(i, 5, 10, QChar('0')).toStdString());
        m_model.GetPic.Clear();
        m_model.GetPic.AddItems(links);
        QSignalSpy shown(m_view.Preview(), &PicPreview::Shown);
        Hover(links.back());
        ASSERT_TRUE(shown.wait(5000)) << rows;
        EXPECT_EQ(shown.at(0).at(0).toString().toStdString(), links.back());
    }
}

}  // namespace
}  // namespace pixquarry
