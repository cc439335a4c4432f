#pragma once

#include <chrono>
#include <functional>

namespace pixquarry {

// The loop that drives transfers: the window's own event loop, or a plain
// poll loop on the command line. Everything runs on the loop's one thread.
class EventLoop {
public:
    enum Interest : int { kRead = 1, kWrite = 2 };
    using Ready = std::function<void(int events)>;  // events: kRead | kWrite
    using Due = std::function<void()>;

    virtual ~EventLoop() = default;

    // Calls `ready` whenever fd is ready for what `interest` asks; a new
    // call replaces the old one, interest 0 stops watching fd.
    virtual void Watch(int fd, int interest, Ready ready) = 0;
    // Calls `due` once, `delay` from now. Returns an id for StopTimer.
    virtual int StartTimer(std::chrono::milliseconds delay, Due due) = 0;
    virtual void StopTimer(int id) = 0;
    // Runs the loop (the window keeps repainting and taking input) until
    // done() holds: true. False when the loop was told to end first, as
    // when the window closes.
    virtual bool RunUntil(const std::function<bool()>& done) = 0;
    // Something done() looks at may have changed: check it soon.
    virtual void Wake() = 0;
};

}  // namespace pixquarry
