#include "gui/PicPreview.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>

#include "app/MainF1.h"
#include "gui/PicListModel.h"
#include "gui/PictureDecode.h"

namespace pixquarry {

PicPreview::PicPreview(QListView& view, MainF1& model)
    : QObject(&view), m_view(view), m_model(model) {
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
    m_model.Preview.OnShow(
        [this](const std::string& link, const Thumbnail* picture) { Show(link, picture); });
}

int PicPreview::ListIndex(const QModelIndex& row) const {
    return static_cast<const PicListModel*>(m_view.model())->ListIndexAt(row.row());
}

bool PicPreview::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QModelIndex row = m_view.indexAt(at);
            const std::string link = row.isValid() ? m_model.GetPic.List(ListIndex(row)) : "";
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
    const QModelIndex row = m_view.indexAt(m_pointer);
    if (!row.isValid())
        return;
    m_hovered = m_model.GetPic.List(ListIndex(row));
    m_model.GetPic.Rest(ListIndex(row));
}

void PicPreview::Show(const std::string& link, const Thumbnail* picture) {
    if (link != m_hovered)
        return;
    QString text;
    if (picture == nullptr) {
        m_picture->clear();
        m_picture->hide();
        text = "正在载入预览……";
    } else {
        const QImage image(reinterpret_cast<const uchar*>(picture->pixels.data()), picture->width,
                           picture->height, picture->width * 4, QImage::Format_ARGB32);
        m_picture->setPixmap(QPixmap::fromImage(image));
        m_picture->setVisible(!picture->pixels.empty());
        text = QString::fromStdString(picture->facts);
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
        emit Shown(QString::fromStdString(link), !picture->pixels.empty());
}

void PicPreview::Hide() {
    if (m_hovered.empty())
        return;
    m_hovered.clear();
    m_tip->hide();
    m_model.GetPic.Leave();
}

}  // namespace pixquarry
