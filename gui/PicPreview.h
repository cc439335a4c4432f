#pragma once

// The hover preview of the picture list: resting the pointer on a link for
// 400 ms shows a small tip with a thumbnail, the picture's size, type and
// where the link came from. Pictures come through the transfer engine, two
// at a time with the hovered one always among them, and are decoded off the
// window's thread; decoded thumbnails are kept in a bounded cache.

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "gui/PreviewQueue.h"

class QLabel;
class QListView;
class QFrame;

namespace pixquarry {

class MainF1;
class TransferEngine;

class PicPreview final : public QObject {
    Q_OBJECT
public:
    static constexpr int kRestMs = 400;
    static constexpr int kThumbnailSide = 160;
    static constexpr int kAtOnce = 2;
    static constexpr std::int64_t kMaxPictureBytes = 16 * 1024 * 1024;
    static constexpr int kCacheEntries = 64;
    static constexpr std::int64_t kCacheBytes = 32 * 1024 * 1024;

    PicPreview(QListView& view, MainF1& model, TransferEngine& engine);
    ~PicPreview() override;

    // The tip as it is shown, for the tests and the benchmark.
    QFrame* Tip() const { return m_tip; }

signals:
    // The tip now shows `link`'s thumbnail, or why there is none.
    void Shown(const QString& link, bool thumbnail);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Picture {
        QImage thumbnail;  // null when the picture could not be shown
        QString facts;     // size and type, or "无法预览：" and the reason
        std::int64_t cost = 0;
    };

    void Rested();
    void Follow(const PreviewQueue::Steps& steps);
    void Fetch(const std::string& link);
    void Arrived(const std::string& link, long status, bool transferred, const std::string& error,
                 std::string body);
    void Decode(const std::string& link, std::string body);
    void Keep(const std::string& link, Picture picture);
    void Show(const std::string& link, const Picture* picture);
    void Hide();

    QListView& m_view;
    MainF1& m_model;
    TransferEngine& m_engine;
    QTimer m_rest;
    QPoint m_pointer;  // on the viewport
    std::string m_hovered;
    QFrame* m_tip = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_facts = nullptr;

    PreviewQueue m_queue{kAtOnce};
    std::unordered_map<std::string, std::uint64_t> m_fetching;  // link: transfer id
    std::unordered_set<std::string> m_decoding;
    // Most recently used first.
    std::list<std::pair<std::string, Picture>> m_cache;
    std::unordered_map<std::string, std::list<std::pair<std::string, Picture>>::iterator> m_index;
    std::int64_t m_cached = 0;
};

}  // namespace pixquarry
