#pragma once

#include <QObject>

#include <cstdint>
#include <unordered_map>

#include "platform/ThumbnailMaker.h"

template <typename T>
class QFutureWatcher;

namespace pixquarry {

// Thumbnails made on Qt's thread pool, the urgent ones first; each comes
// back through the event loop. Going away drops what has not been heard.
class QtThumbnailMaker final : public QObject, public ThumbnailMaker {
public:
    QtThumbnailMaker() = default;
    ~QtThumbnailMaker() override;

    std::uint64_t Make(std::string bytes, int side, bool urgent, Made made) override;
    void Cancel(std::uint64_t id) override;

private:
    std::unordered_map<std::uint64_t, QFutureWatcher<Thumbnail>*> m_making;
    std::uint64_t m_last = 0;
};

}  // namespace pixquarry
