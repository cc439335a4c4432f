#include "gui/QtEventLoop.h"

#include <utility>

namespace pixquarry {

QtEventLoop::~QtEventLoop() {
    for (auto& [fd, watched] : m_watched) {
        Retire(watched.read);
        Retire(watched.write);
    }
}

// A notifier may be the one whose signal is being handled: it goes later.
void QtEventLoop::Retire(std::unique_ptr<QSocketNotifier>& notifier) {
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

void QtEventLoop::Watch(int fd, int interest, Ready ready) {
    Watched& watched = m_watched[fd];
    if (interest == 0) {
        Retire(watched.read);
        Retire(watched.write);
        m_watched.erase(fd);
        return;
    }
    watched.ready = std::make_shared<Ready>(std::move(ready));
    const auto arm = [fd, &watched](std::unique_ptr<QSocketNotifier>& notifier,
                                    QSocketNotifier::Type type, bool wanted, int event) {
        if (!wanted) {
            Retire(notifier);
            return;
        }
        if (notifier)
            return;
        notifier = std::make_unique<QSocketNotifier>(fd, type);
        // The call holds its own reference: a new Watch may replace it meanwhile.
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [event, &watched] {
            const std::shared_ptr<Ready> current = watched.ready;
            (*current)(event);
        });
    };
    arm(watched.read, QSocketNotifier::Read, (interest & kRead) != 0, kRead);
    arm(watched.write, QSocketNotifier::Write, (interest & kWrite) != 0, kWrite);
}

int QtEventLoop::StartTimer(std::chrono::milliseconds delay, Due due) {
    const int id = ++m_nextTimer;
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, [this, id, due = std::move(due)] {
        const auto found = m_timers.find(id);
        if (found == m_timers.end())
            return;
        found->second.release()->deleteLater();
        m_timers.erase(found);
        due();
    });
    timer->start(delay);
    m_timers.emplace(id, std::move(timer));
    return id;
}

void QtEventLoop::StopTimer(int id) {
    const auto found = m_timers.find(id);
    if (found == m_timers.end())
        return;
    found->second->stop();
    found->second.release()->deleteLater();
    m_timers.erase(found);
}

}  // namespace pixquarry
