#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace pixquarry {

// The download run's progress on one redrawn stderr line, "12/200  3.4 MiB
// 1.2 MiB/s". Only for a person watching: nothing when stderr is not a terminal.
class ProgressLine final {
public:
    explicit ProgressLine(std::size_t total);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    ~ProgressLine() { Clear(); }

    // Redraws at most every 100 ms.
    void Update(std::size_t done, std::int64_t bytes);
    // Takes the line away before a line goes to the same terminal on stdout.
    void BeforeOutput();
    void Clear();

private:
    using Clock = std::chrono::steady_clock;

    void Draw();

    bool m_active;
    bool m_sharesTerminal;
    bool m_shown = false;
    std::size_t m_total;
    std::size_t m_done = 0;
    std::int64_t m_bytes = 0;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_lastDraw{};
};

}  // namespace pixquarry
