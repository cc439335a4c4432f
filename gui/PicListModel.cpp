#include "gui/PicListModel.h"

#include <QListView>

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
    : QAbstractListModel(parent), m_list(list), m_rows(list.ListCount()) {
    m_list.SetListObserver([this](const CheckListBox::Change& change) { OnChange(change); });
}

PicListModel::~PicListModel() {
    m_list.SetListObserver(nullptr);
}

int PicListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant PicListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    int row = index.row();
    if (m_pendingRow >= 0 && row >= m_pendingRow) {
        // The removed row itself is gone already.
        if (m_pendingShift < 0 && row == m_pendingRow)
            return {};
        row += m_pendingShift;
    }
    if (row < 0 || row >= m_list.ListCount())
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return DisplayText(m_list.List(row));
        case Qt::CheckStateRole:
            return m_list.Selected(row) ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
    }
}

bool PicListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= m_list.ListCount()) {
        return false;
    }
    m_list.SetSelected(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags PicListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void PicListModel::OnChange(const CheckListBox::Change& change) {
    using Kind = CheckListBox::Change::Kind;
    const int row = change.index;
    m_applying = true;
    switch (change.kind) {
        case Kind::Reset:
            beginResetModel();
            m_rows = m_list.ListCount();
            endResetModel();
            break;
        case Kind::Inserted:
            m_pendingRow = row;
            m_pendingShift = 1;
            beginInsertRows(QModelIndex(), row, row);
            m_pendingRow = -1;
            m_rows = m_list.ListCount();
            endInsertRows();
            break;
        case Kind::Ticked:
            emit dataChanged(index(row), index(row), {Qt::CheckStateRole});
            break;
        case Kind::Current:
            break;
    }
    m_applying = false;
    // Qt moves or drops its current row on its own; the list's is the one that counts.
    if (change.kind != Kind::Ticked)
        emit CurrentRowChanged(m_list.ListIndex());
}

void ShowPicList(CheckListBox& list, QListView& view) {
    view.setUniformItemSizes(true);
    auto* model = new PicListModel(list, &view);
    view.setModel(model);
    QObject::connect(view.selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                     [model, &list](const QModelIndex& current) {
                         // While the list changes Qt moves its current row on its own.
                         if (!model->Applying())
                             list.SetListIndex(current.isValid() ? current.row() : -1);
                     });
    QObject::connect(model, &PicListModel::CurrentRowChanged, &view, [model, &view](int row) {
        if (row < 0)
            view.selectionModel()->clear();
        else
            view.selectionModel()->setCurrentIndex(model->index(row),
                                                   QItemSelectionModel::ClearAndSelect);
    });
}

}  // namespace pixquarry
