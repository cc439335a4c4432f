#pragma once

#include <QAbstractListModel>

class QListView;

#include "app/CheckListBox.h"

namespace pixquarry {

// Shows a CheckListBox in a QListView. The list tells us about a change after
// it happened, while Qt wants to hear about inserts and removals before; the
// rows Qt still believes in are mapped onto the changed list until we finish.
class PicListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // Longer items are cut for display; an address can run to hundreds of KiB.
    static constexpr int kDisplayChars = 4096;

    explicit PicListModel(CheckListBox& list, QObject* parent = nullptr);
    ~PicListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // True while a change of the list is being passed on to Qt.
    bool Applying() const { return m_applying; }

signals:
    // The list's current item, or -1; also sent after rows moved under it.
    void CurrentRowChanged(int row);

private:
    void OnChange(const CheckListBox::Change& change);

    CheckListBox& m_list;
    int m_rows = 0;  // the row count Qt has been told about
    int m_pendingRow = -1;
    int m_pendingShift = 0;
    bool m_applying = false;
};

// Shows `list` in `view`, the current item both ways.
void ShowPicList(CheckListBox& list, QListView& view);

// An item's text as displayed: the first kDisplayChars characters, then "…".
QString DisplayText(const std::string& item);

}  // namespace pixquarry
