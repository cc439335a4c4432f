#pragma once

#include <chrono>
#include <functional>

namespace pixquarry {

// The loop that drives transfers: the window's own event loop, or a plain
// poll loop on the command line. Everything runs on the loop's one thread,
// and nothing ever waits inside it: work that takes time is started, and
// what comes next runs in the callback that tells its end.
class EventLoop {
public:
    enum Interest : int { kRead = 1, kWrite = 2 };
    using Ready = std::function<void(int events)>;  // events: kRead | kWrite
    using Due = std::function<void()>;

    virtual ~EventLoop() = default;

    // Calls `ready` whenever fd is ready for what `interest` asks; a new
    // call replaces the old one, interest 0 stops watching fd.
    virtual void Watch(int fd, int interest, Ready ready) = 0;
    // Calls `due` once, `delay` from now, from the loop. Returns an id for
    // StopTimer.
    virtual int StartTimer(std::chrono::milliseconds delay, Due due) = 0;
    virtual void StopTimer(int id) = 0;
};

}  // namespace pixquarry
