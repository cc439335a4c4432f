#include "gui/PicPreview.h"

#include <QtConcurrent/qtconcurrenttask.h>
#include <QFrame>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>

#include <memory>
#include <utility>

#include "app/MainF1.h"
#include "gui/PictureDecode.h"
#include "platform/WebAddress.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

namespace {

constexpr char kNoPreview[] = "无法预览：";

}  // namespace

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
    // Decodes not yet begun are dropped; one under way ends on its own, its
    // result unheard: the watchers go with the preview.
    for (QFutureWatcherBase* decode : findChildren<QFutureWatcherBase*>())
        decode->cancel();
}

bool PicPreview::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QModelIndex row = m_view.indexAt(at);
            const std::string link = row.isValid() ? m_model.GetPic.List(row.row()) : "";
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
    const std::string link = m_model.GetPic.List(row.row());
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
    if (!m_decoding.contains(link))
        Follow(m_queue.Hovered(link));
}

void PicPreview::Follow(const PreviewQueue::Steps& steps) {
    for (const std::string& link : steps.stop) {
        m_engine.Cancel(m_fetching.at(link));
        m_fetching.erase(link);
    }
    for (const std::string& link : steps.start)
        Fetch(link);
}

void PicPreview::Fetch(const std::string& link) {
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
            // Room for the largest picture at once: growing a large body by
            // copying it would hold up the window (the pages are only
            // taken as they are written).
            if (body->capacity() == 0)
                body->reserve(kMaxPictureBytes);
            body->append(chunk);
            return true;
        },
        [this, link, body](const CurlOutcome& outcome) {
            m_fetching.erase(link);
            Follow(m_queue.Over(link));
            Arrived(link, outcome.status, outcome.transferred, outcome.error, std::move(*body));
        });
}

void PicPreview::Arrived(const std::string& link, long status, bool transferred,
                         const std::string& error, std::string body) {
    if (transferred && status < 400) {
        Decode(link, std::move(body));
        return;
    }
    const std::string why = transferred ? HttpStatusReason(status) : error;
    Keep(link, Picture{{}, QString(kNoPreview) + QString::fromStdString(why), 256});
}

// Decoding can take seconds (a large SVG) and is done on Qt's thread pool,
// the hovered picture first; the result comes back through the event loop.
void PicPreview::Decode(const std::string& link, std::string body) {
    m_decoding.insert(link);
    auto* decode = new QFutureWatcher<Thumbnail>(this);
    connect(decode, &QFutureWatcherBase::finished, this, [this, decode, link] {
        decode->deleteLater();
        m_decoding.erase(link);
        const Thumbnail done = decode->result();
        Keep(link, Picture{done.image, done.facts, done.image.sizeInBytes() + 256});
    });
    decode->setFuture(QtConcurrent::task([bytes = std::move(body)] {
                          return DecodeThumbnail(bytes, kThumbnailSide);
                      })
                          .withPriority(link == m_hovered ? 1 : 0)
                          .spawn());
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
