#pragma once

#include <vector>

#include <QAbstractListModel>
#include <QStyledItemDelegate>

class QListView;

#include "app/CheckListBox.h"

namespace pixquarry {

// Shows a CheckListBox in a QListView: its shown items, in list order. The
// list tells us about a change after it happened, while Qt wants to hear
// about inserts before; the rows Qt still believes in keep their items
// until we finish.
class PicListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // Longer items are cut for display; an address can run to hundreds of KiB.
    static constexpr int kDisplayChars = 4096;
    // A row's check result, and whether it is a failure.
    static constexpr int kMarkRole = Qt::UserRole + 1;
    static constexpr int kFailedRole = Qt::UserRole + 2;

    explicit PicListModel(CheckListBox& list, QObject* parent = nullptr);
    ~PicListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The list index of a row, and the row of a list index (-1 when hidden).
    int ListIndexAt(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }
    int RowOf(int listIndex) const;
    // True while a change of the list is being passed on to Qt.
    bool Applying() const { return m_applying; }

signals:
    // The list's current item, or -1; also sent after rows moved under it.
    void CurrentRowChanged(int listIndex);

private:
    void OnChange(const CheckListBox::Change& change);
    void Rebuild();
    // Where `listIndex` goes in m_rows.
    std::size_t Slot(int listIndex) const;

    CheckListBox& m_list;
    std::vector<int> m_rows;  // the list index of each row Qt knows, ascending
    bool m_applying = false;
};

// Draws a row's check result at its right end, grey, or red for a failure.
class RowEndDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// Shows `list` in `view`, the current item both ways.
void ShowPicList(CheckListBox& list, QListView& view);

// An item's text as displayed: the first kDisplayChars characters, then "…".
QString DisplayText(const std::string& item);

}  // namespace pixquarry
