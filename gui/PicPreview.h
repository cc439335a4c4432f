#pragma once

// The hover tip of the picture list: resting the pointer on a link for
// 400 ms asks the model's preview for the picture, and the tip shows the
// thumbnail with its size and type, and where the link came from. What is
// fetched and kept is the model's (app/HoverPreview); this only shows it.

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <string>

#include "platform/ThumbnailMaker.h"

class QLabel;
class QListView;
class QFrame;
class QModelIndex;

namespace pixquarry {

class MainF1;

class PicPreview final : public QObject {
    Q_OBJECT
public:
    static constexpr int kRestMs = 400;

    PicPreview(QListView& view, MainF1& model);

    // The tip as it is shown, for the tests and the benchmark.
    QFrame* Tip() const { return m_tip; }

signals:
    // The tip now shows `link`'s thumbnail, or why there is none.
    void Shown(const QString& link, bool thumbnail);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The list item a row of the view shows.
    int ListIndex(const QModelIndex& row) const;
    void Rested();
    void Show(const std::string& link, const Thumbnail* picture);
    void Hide();

    QListView& m_view;
    MainF1& m_model;
    QTimer m_rest;
    QPoint m_pointer;  // on the viewport
    std::string m_hovered;
    QFrame* m_tip = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_facts = nullptr;
};

}  // namespace pixquarry
