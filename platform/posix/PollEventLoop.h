#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <unordered_map>

#include "platform/EventLoop.h"

namespace pixquarry {

// An event loop on poll(2), for the command line and the core's tests.
class PollEventLoop final : public EventLoop {
public:
    void Watch(int fd, int interest, Ready ready) override;
    int StartTimer(std::chrono::milliseconds delay, Due due) override;
    void StopTimer(int id) override;

    // Runs the loop until done() holds: the command line's one wait, at its
    // outermost level, and the tests'. False when nothing is watched or due,
    // so nothing could ever change done().
    bool RunUntil(const std::function<bool()>& done);

private:
    using Clock = std::chrono::steady_clock;
    struct Watched {
        int interest;
        Ready ready;
    };
    struct Timer {
        Clock::time_point due;
        Due call;
    };
    // One turn: waits at most until the next timer, then calls what is ready.
    void Turn();

    std::unordered_map<int, Watched> m_watched;
    std::map<int, Timer> m_timers;
    int m_nextTimer = 0;
};

}  // namespace pixquarry
