#include "platform/posix/PollEventLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

namespace pixquarry {

void PollEventLoop::Watch(int fd, int interest, Ready ready) {
    if (interest == 0)
        m_watched.erase(fd);
    else
        m_watched[fd] = Watched{interest, std::move(ready)};
}

int PollEventLoop::StartTimer(std::chrono::milliseconds delay, Due due) {
    const int id = ++m_nextTimer;
    m_timers[id] = Timer{Clock::now() + delay, std::move(due)};
    return id;
}

void PollEventLoop::StopTimer(int id) {
    m_timers.erase(id);
}

bool PollEventLoop::RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (m_watched.empty() && m_timers.empty())
            return false;  // nothing could ever change done()
        Turn();
    }
    return true;
}

void PollEventLoop::Turn() {
    int timeout = -1;
    const Clock::time_point now = Clock::now();
    for (const auto& [id, timer] : m_timers) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(timer.due - now).count();
        const int wait = left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
        if (timeout < 0 || wait < timeout)
            timeout = wait;
    }

    std::vector<pollfd> fds;
    fds.reserve(m_watched.size());
    for (const auto& [fd, watched] : m_watched) {
        const short events = static_cast<short>(((watched.interest & kRead) ? POLLIN : 0) |
                                                ((watched.interest & kWrite) ? POLLOUT : 0));
        fds.push_back(pollfd{fd, events, 0});
    }
    if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
        return;

    for (const pollfd& p : fds) {
        if (p.revents == 0)
            continue;
        // An earlier call may have stopped watching this one.
        const auto found = m_watched.find(p.fd);
        if (found == m_watched.end())
            continue;
        int events = 0;
        if (p.revents & (POLLIN | POLLHUP | POLLERR))
            events |= kRead;
        if (p.revents & (POLLOUT | POLLERR))
            events |= kWrite;
        const Ready ready = found->second.ready;  // the call may replace it
        ready(events);
    }

    const Clock::time_point after = Clock::now();
    std::vector<int> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= after)
            due.push_back(id);
    }
    for (const int id : due) {
        const auto found = m_timers.find(id);
        if (found == m_timers.end())
            continue;  // stopped by an earlier call
        const Due call = std::move(found->second.call);
        m_timers.erase(found);
        call();
    }
}

}  // namespace pixquarry
