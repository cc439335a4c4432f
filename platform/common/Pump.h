#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

namespace pixquarry {

// Work that runs at most `atOnce` pieces at a time: stylesheets of a page,
// pictures of a download run, previews. Fill() starts the pieces `next`
// gives while there is room; each piece, once over, calls Ended(), which
// fills its place. `next` decides the order and can change its mind between
// calls (the row under the pointer goes first).
class Pump final {
public:
    using Piece = std::function<void()>;  // starts one piece of work
    using Next = std::function<std::optional<Piece>()>;

    Pump(int atOnce, Next next) : m_atOnce(atOnce), m_next(std::move(next)) {
        if (atOnce < 1)
            throw std::invalid_argument("a pump needs room for at least one piece");
    }
    Pump(const Pump&) = delete;
    Pump& operator=(const Pump&) = delete;

    void Fill() {
        // A piece that ends inside its own start comes back here: the outer
        // call goes on filling.
        if (m_filling)
            return;
        m_filling = true;
        while (m_running < m_atOnce) {
            std::optional<Piece> piece = m_next();
            if (!piece)
                break;
            ++m_running;
            (*piece)();
        }
        m_filling = false;
    }
    void Ended() {
        if (m_running > 0)
            --m_running;
        Fill();
    }
    // Forgets the pieces under way, as when they were all cancelled.
    void Reset() { m_running = 0; }

    int Running() const { return m_running; }
    int AtOnce() const { return m_atOnce; }

private:
    int m_atOnce;
    Next m_next;
    int m_running = 0;
    bool m_filling = false;
};

}  // namespace pixquarry
