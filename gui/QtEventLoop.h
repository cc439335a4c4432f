#pragma once

#include <map>
#include <memory>
#include <unordered_map>

#include <QSocketNotifier>
#include <QTimer>

#include "platform/EventLoop.h"

namespace pixquarry {

// Transfers driven by Qt's own event loop: a socket notifier per watched
// socket and direction, a single-shot timer per timer. Nothing here ever
// runs a loop of its own: Qt's one loop calls back, and the window repaints
// and takes input between any two callbacks.
class QtEventLoop final : public EventLoop {
public:
    QtEventLoop() = default;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;
    ~QtEventLoop() override;

    void Watch(int fd, int interest, Ready ready) override;
    int StartTimer(std::chrono::milliseconds delay, Due due) override;
    void StopTimer(int id) override;

private:
    struct Watched {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
        std::shared_ptr<Ready> ready;
    };
    static void Retire(std::unique_ptr<QSocketNotifier>& notifier);

    std::unordered_map<int, Watched> m_watched;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
    int m_nextTimer = 0;
};

}  // namespace pixquarry
