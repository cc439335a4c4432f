#pragma once

// Which pictures the hover preview fetches, in what order. Plain C++: the
// preview starts and cancels the transfers this decides on.

#include <deque>
#include <string>
#include <vector>

namespace pixquarry {

class PreviewQueue final {
public:
    // Fetches for rows passed over, kept to resume once there is room.
    static constexpr std::size_t kWaiting = 16;

    struct Steps {
        std::vector<std::string> stop;   // running fetches that give way; they wait again
        std::vector<std::string> start;  // fetches to begin now
    };

    explicit PreviewQueue(int atOnce) : m_atOnce(static_cast<std::size_t>(atOnce)) {}

    // The pointer rests on `link`, neither kept nor being decoded: it is
    // fetched at once, and the oldest fetch gives way when that makes one
    // too many.
    Steps Hovered(const std::string& link);
    // `link`'s fetch is over; the newest waiting one takes its place.
    Steps Over(const std::string& link);

private:
    std::size_t m_atOnce;
    std::vector<std::string> m_running;  // oldest hover first
    std::deque<std::string> m_waiting;   // newest first
};

}  // namespace pixquarry
