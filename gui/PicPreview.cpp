#include "gui/PicPreview.h"

#include <QBuffer>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>

#include <memory>
#include <utility>

#include "app/MainF1.h"
#include "platform/WebAddress.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

namespace {

constexpr int kAllocationLimitMiB = 64;
constexpr char kNoPreview[] = "无法预览：";

QString ByteSize(std::int64_t bytes) {
    if (bytes < 1024)
        return QString("%1 字节").arg(bytes);
    if (bytes < 1024 * 1024)
        return QString("%1 KiB").arg(static_cast<double>(bytes) / 1024, 0, 'f', 1);
    return QString("%1 MiB").arg(static_cast<double>(bytes) / (1024 * 1024), 0, 'f', 1);
}

QString ReaderFailure(const QImageReader& reader) {
    switch (reader.error()) {
        case QImageReader::UnsupportedFormatError:
            return "不支持的图片格式";
        case QImageReader::InvalidDataError:
            return "图片数据已损坏";
        default:
            return "无法解码图片";
    }
}

}  // namespace

QImage DecodeThumbnail(const std::string& bytes, QString& facts) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize pixels = reader.size();
    const QString type = QString::fromLatin1(reader.format()).toUpper();
    // A few KiB can claim 30,000 x 30,000 pixels: ask before decoding.
    if (pixels.isValid() && static_cast<std::int64_t>(pixels.width()) * pixels.height() * 4 >
                                std::int64_t{kAllocationLimitMiB} * 1024 * 1024) {
        facts = QString("%1图片尺寸过大（%2 × %3 像素）")
                    .arg(kNoPreview)
                    .arg(pixels.width())
                    .arg(pixels.height());
        return {};
    }
    if (pixels.isValid() && (pixels.width() > PicPreview::kThumbnailSide ||
                             pixels.height() > PicPreview::kThumbnailSide))
        reader.setScaledSize(pixels.scaled(PicPreview::kThumbnailSide, PicPreview::kThumbnailSide,
                                           Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull()) {
        facts = kNoPreview + ReaderFailure(reader);
        return {};
    }
    // Formats that cannot scale while reading are scaled here.
    if (image.width() > PicPreview::kThumbnailSide || image.height() > PicPreview::kThumbnailSide)
        image = image.scaled(PicPreview::kThumbnailSide, PicPreview::kThumbnailSide,
                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QSize shown = pixels.isValid() ? pixels : image.size();
    facts = QString("%1 × %2 像素，%3，%4")
                .arg(shown.width())
                .arg(shown.height())
                .arg(ByteSize(static_cast<std::int64_t>(bytes.size())))
                .arg(type.isEmpty() ? QString("未知类型") : type);
    return image;
}

PicPreview::PicPreview(QListView& view, MainF1& model, TransferEngine& engine)
    : QObject(&view), m_view(view), m_model(model), m_engine(engine) {
    // Qt's own check, for what the header does not tell.
    QImageReader::setAllocationLimit(kAllocationLimitMiB);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &PicPreview::Rested);
    view.viewport()->setMouseTracking(true);
    view.viewport()->installEventFilter(this);

    m_tip = new QFrame(&view, Qt::ToolTip);
    m_tip->setObjectName("PicPreviewTip");
    m_tip->setFrameShape(QFrame::Box);
    auto* layout = new QHBoxLayout(m_tip);
    m_picture = new QLabel(m_tip);
    m_facts = new QLabel(m_tip);
    m_facts->setTextFormat(Qt::PlainText);
    layout->addWidget(m_picture);
    layout->addWidget(m_facts);
}

PicPreview::~PicPreview() {
    for (const auto& [link, id] : m_fetching)
        m_engine.Cancel(id);
}

bool PicPreview::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QModelIndex row = m_view.indexAt(at);
            const std::string link =
                row.isValid() ? m_model.GetPic.List(static_cast<std::int16_t>(row.row())) : "";
            if (link != m_hovered)
                Hide();
            m_pointer = at;
            m_rest.start();
            break;
        }
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            m_rest.stop();
            Hide();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void PicPreview::Rested() {
    // A disabled list, as during the start-up check, takes no hover either.
    if (!m_model.GetPic.Enabled())
        return;
    const QModelIndex row = m_view.indexAt(m_pointer);
    if (!row.isValid())
        return;
    const std::string link = m_model.GetPic.List(static_cast<std::int16_t>(row.row()));
    m_hovered = link;
    if (const auto found = m_index.find(link); found != m_index.end()) {
        m_cache.splice(m_cache.begin(), m_cache, found->second);
        Show(link, &found->second->second);
        return;
    }
    if (!IsWebLink(link)) {
        Keep(link, Picture{{}, QString(kNoPreview) + "不是完整的网址", 0});
        return;
    }
    Show(link, nullptr);
    Fetch(link);
}

void PicPreview::Fetch(const std::string& link) {
    if (m_fetching.contains(link))
        return;
    for (const std::string& waiting : m_waiting) {
        if (waiting == link)
            return;
    }
    // The latest hover goes first; older ones wait.
    m_waiting.push_front(link);
    Pump();
}

void PicPreview::Pump() {
    while (static_cast<int>(m_fetching.size()) < kAtOnce && !m_waiting.empty()) {
        const std::string link = std::move(m_waiting.front());
        m_waiting.pop_front();
        TransferLimits limits;
        limits.connectTimeout = std::chrono::seconds(10);
        limits.totalTimeout = std::chrono::seconds(30);
        auto body = std::make_shared<std::string>();
        m_fetching[link] = m_engine.Start(
            link, limits, {},
            [body](std::string_view chunk, long, std::string& error) {
                if (static_cast<std::int64_t>(body->size() + chunk.size()) > kMaxPictureBytes) {
                    error = "图片超过 16 MiB";
                    return false;
                }
                body->append(chunk);
                return true;
            },
            [this, link, body](const CurlOutcome& outcome) {
                m_fetching.erase(link);
                Arrived(link, outcome.status, outcome.transferred, outcome.error, *body);
                Pump();
            });
    }
}

void PicPreview::Arrived(const std::string& link, long status, bool transferred,
                         const std::string& error, const std::string& body) {
    Picture picture;
    if (!transferred) {
        picture.facts = QString(kNoPreview) + QString::fromStdString(error);
    } else if (status >= 400) {
        picture.facts = QString(kNoPreview) + QString::fromStdString(HttpStatusReason(status));
    } else {
        picture.thumbnail = DecodeThumbnail(body, picture.facts);
    }
    picture.cost = picture.thumbnail.sizeInBytes() + 256;
    Keep(link, std::move(picture));
}

void PicPreview::Keep(const std::string& link, Picture picture) {
    m_cache.emplace_front(link, std::move(picture));
    m_index[link] = m_cache.begin();
    m_cached += m_cache.front().second.cost;
    while (m_cache.size() > 1 &&
           (static_cast<int>(m_cache.size()) > kCacheEntries || m_cached > kCacheBytes)) {
        m_cached -= m_cache.back().second.cost;
        m_index.erase(m_cache.back().first);
        m_cache.pop_back();
    }
    if (link == m_hovered)
        Show(link, &m_cache.front().second);
}

void PicPreview::Show(const std::string& link, const Picture* picture) {
    QString text;
    if (picture == nullptr) {
        m_picture->clear();
        m_picture->hide();
        text = "正在载入预览……";
    } else {
        m_picture->setPixmap(QPixmap::fromImage(picture->thumbnail));
        m_picture->setVisible(!picture->thumbnail.isNull());
        text = picture->facts;
    }
    for (const LinkOrigin& origin : m_model.OriginsOf(link))
        text += QString("\n来源：%1 第 %2 行")
                    .arg(QString::fromStdString(origin.sheet))
                    .arg(origin.line);
    m_facts->setText(text);
    m_tip->adjustSize();
    m_tip->move(m_view.viewport()->mapToGlobal(m_pointer) + QPoint(16, 16));
    m_tip->show();
    if (picture != nullptr)
        emit Shown(QString::fromStdString(link), !picture->thumbnail.isNull());
}

void PicPreview::Hide() {
    m_hovered.clear();
    m_tip->hide();
}

}  // namespace pixquarry
