#include "gui/PicListModel.h"

#include <algorithm>

#include <QApplication>
#include <QListView>
#include <QPainter>

namespace pixquarry {

QString DisplayText(const std::string& item) {
    // Find where the character after the last shown one starts, without
    // decoding the rest of a long item.
    std::size_t end = 0;
    int chars = 0;
    for (; end < item.size(); ++end) {
        const bool lead = (static_cast<unsigned char>(item[end]) & 0xC0) != 0x80;
        if (lead && chars++ == PicListModel::kDisplayChars)
            break;
    }
    QString text = QString::fromUtf8(item.data(), static_cast<qsizetype>(end));
    if (end < item.size())
        text += QChar(0x2026);
    return text;
}

PicListModel::PicListModel(CheckListBox& list, QObject* parent)
    : QAbstractListModel(parent), m_list(list) {
    Rebuild();
    m_list.SetListObserver([this](const CheckListBox::Change& change) { OnChange(change); });
}

PicListModel::~PicListModel() {
    m_list.SetListObserver(nullptr);
}

void PicListModel::Rebuild() {
    m_rows.clear();
    m_rows.reserve(static_cast<std::size_t>(m_list.ShownCount()));
    for (int i = 0; i < m_list.ListCount(); ++i) {
        if (!m_list.Hidden(i))
            m_rows.push_back(i);
    }
}

std::size_t PicListModel::Slot(int listIndex) const {
    return static_cast<std::size_t>(std::lower_bound(m_rows.begin(), m_rows.end(), listIndex) -
                                    m_rows.begin());
}

int PicListModel::RowOf(int listIndex) const {
    const std::size_t at = Slot(listIndex);
    return at < m_rows.size() && m_rows[at] == listIndex ? static_cast<int>(at) : -1;
}

int PicListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant PicListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int item = ListIndexAt(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return DisplayText(m_list.List(item));
        case Qt::CheckStateRole:
            return m_list.Selected(item) ? Qt::Checked : Qt::Unchecked;
        case kMarkRole:
            return QString::fromStdString(m_list.Mark(item));
        case kFailedRole:
            return m_list.MarkFailed(item);
        default:
            return {};
    }
}

bool PicListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount())
        return false;
    m_list.SetSelected(ListIndexAt(index.row()), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags PicListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void PicListModel::OnChange(const CheckListBox::Change& change) {
    using Kind = CheckListBox::Change::Kind;
    const int item = change.index;
    m_applying = true;
    switch (change.kind) {
        case Kind::Reset:
        case Kind::Filtered:
            beginResetModel();
            Rebuild();
            endResetModel();
            break;
        case Kind::Inserted: {
            // The rows Qt knows move with their items before it hears of the new one.
            const std::size_t at = Slot(item);
            for (std::size_t i = at; i < m_rows.size(); ++i)
                ++m_rows[i];
            if (m_list.Hidden(item))
                break;
            beginInsertRows(QModelIndex(), static_cast<int>(at), static_cast<int>(at));
            m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), item);
            endInsertRows();
            break;
        }
        case Kind::Hidden: {
            const int row = static_cast<int>(Slot(item));
            const bool known = RowOf(item) >= 0;
            if (m_list.Hidden(item) && known) {
                beginRemoveRows(QModelIndex(), row, row);
                m_rows.erase(m_rows.begin() + row);
                endRemoveRows();
            } else if (!m_list.Hidden(item) && !known) {
                beginInsertRows(QModelIndex(), row, row);
                m_rows.insert(m_rows.begin() + row, item);
                endInsertRows();
            }
            break;
        }
        case Kind::Ticked:
        case Kind::Marked:
            // Named roles: the view need not measure the row again.
            if (const int row = RowOf(item); row >= 0)
                emit dataChanged(index(row), index(row),
                                 change.kind == Kind::Ticked ? QList<int>{Qt::CheckStateRole}
                                                             : QList<int>{kMarkRole, kFailedRole});
            break;
        case Kind::Current:
            break;
    }
    m_applying = false;
    // Qt moves or drops its current row on its own; the list's is the one that counts.
    if (change.kind != Kind::Ticked && change.kind != Kind::Marked)
        emit CurrentRowChanged(m_list.ListIndex());
}

void RowEndDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const QString mark = index.data(PicListModel::kMarkRole).toString();
    if (mark.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, item.widget);
    // The link gives way to the result: it is cut short, never covered.
    QFont plain = item.font;
    plain.setBold(false);
    const int width = QFontMetrics(plain).horizontalAdvance(mark) + 8;
    QStyleOptionViewItem link = item;
    link.rect.setRight(item.rect.right() - width);
    style->drawControl(QStyle::CE_ItemViewItem, &link, painter, item.widget);
    painter->save();
    painter->setFont(plain);
    // Grey, lighter on a selected row's dark ground; red for a failure.
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    painter->setPen(index.data(PicListModel::kFailedRole).toBool() ? QColor(255, 0, 0)
                    : selected                                     ? QColor(210, 210, 210)
                                                                   : QColor(128, 128, 128));
    painter->drawText(item.rect.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, mark);
    painter->restore();
}

void ShowPicList(CheckListBox& list, QListView& view) {
    view.setUniformItemSizes(true);
    auto* model = new PicListModel(list, &view);
    view.setModel(model);
    view.setItemDelegate(new RowEndDelegate(&view));
    QObject::connect(
        view.selectionModel(), &QItemSelectionModel::currentRowChanged, model,
        [model, &list](const QModelIndex& current) {
            // While the list changes Qt moves its current row on its own.
            if (!model->Applying())
                list.SetListIndex(current.isValid() ? model->ListIndexAt(current.row()) : -1);
        });
    QObject::connect(model, &PicListModel::CurrentRowChanged, &view, [model, &view](int item) {
        const int row = item < 0 ? -1 : model->RowOf(item);
        if (row < 0)
            view.selectionModel()->clear();
        else
            view.selectionModel()->setCurrentIndex(model->index(row),
                                                   QItemSelectionModel::ClearAndSelect);
    });
}

}  // namespace pixquarry
