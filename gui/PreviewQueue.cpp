#include "gui/PreviewQueue.h"

#include <algorithm>

namespace pixquarry {

PreviewQueue::Steps PreviewQueue::Hovered(const std::string& link) {
    Steps steps;
    if (const auto running = std::find(m_running.begin(), m_running.end(), link);
        running != m_running.end()) {
        // Already coming: it is now the newest, the last to give way.
        std::rotate(running, running + 1, m_running.end());
        return steps;
    }
    std::erase(m_waiting, link);
    m_running.push_back(link);
    steps.start.push_back(link);
    while (m_running.size() > m_atOnce) {
        steps.stop.push_back(m_running.front());
        m_waiting.push_front(std::move(m_running.front()));
        m_running.erase(m_running.begin());
    }
    if (m_waiting.size() > kWaiting)
        m_waiting.resize(kWaiting);
    return steps;
}

PreviewQueue::Steps PreviewQueue::Over(const std::string& link) {
    Steps steps;
    std::erase(m_running, link);
    while (m_running.size() < m_atOnce && !m_waiting.empty()) {
        m_running.push_back(std::move(m_waiting.front()));
        m_waiting.pop_front();
        steps.start.push_back(m_running.back());
    }
    return steps;
}

}  // namespace pixquarry
