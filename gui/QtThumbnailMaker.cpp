#include "gui/QtThumbnailMaker.h"

#include <QtConcurrent/qtconcurrenttask.h>
#include <QFutureWatcher>

#include <utility>

#include "gui/PictureDecode.h"

namespace pixquarry {

namespace {

// Plain pixels for the model, made on the worker thread.
Thumbnail AsPixels(const DecodedPicture& decoded) {
    Thumbnail made;
    made.facts = decoded.facts.toStdString();
    if (decoded.image.isNull())
        return made;
    const QImage image = decoded.image.convertToFormat(QImage::Format_ARGB32);
    made.width = image.width();
    made.height = image.height();
    made.pixels.reserve(static_cast<std::size_t>(made.width) * made.height);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        made.pixels.insert(made.pixels.end(), row, row + image.width());
    }
    return made;
}

}  // namespace

QtThumbnailMaker::~QtThumbnailMaker() {
    // Work not begun is dropped; work under way ends unheard with its watcher.
    for (auto& [id, watcher] : m_making)
        watcher->cancel();
}

std::uint64_t QtThumbnailMaker::Make(std::string bytes, int side, bool urgent, Made made) {
    const std::uint64_t id = ++m_last;
    auto* watcher = new QFutureWatcher<Thumbnail>(this);
    m_making.emplace(id, watcher);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, id, watcher, made] {
        watcher->deleteLater();
        if (m_making.erase(id) == 0 || watcher->isCanceled())
            return;
        made(watcher->result());
    });
    watcher->setFuture(QtConcurrent::task([bytes = std::move(bytes), side] {
                           return AsPixels(DecodeThumbnail(bytes, side));
                       })
                           .withPriority(urgent ? 1 : 0)
                           .spawn());
    return id;
}

void QtThumbnailMaker::Cancel(std::uint64_t id) {
    const auto found = m_making.find(id);
    if (found == m_making.end())
        return;
    found->second->cancel();
    m_making.erase(found);
}

}  // namespace pixquarry
