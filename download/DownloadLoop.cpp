#include "download/DownloadLoop.h"

#include <utility>

namespace pixquarry {

DownloadLoop::DownloadLoop(Downloader& downloader, int atOnce, Next next, Finished finished,
                           Over over)
    : m_downloader(downloader),
      m_next(std::move(next)),
      m_finished(std::move(finished)),
      m_told(std::move(over)),
      m_pump(atOnce, [this] { return Take(); }) {}

DownloadLoop::~DownloadLoop() {
    Cancel();
}

void DownloadLoop::Start() {
    m_started = true;
    m_pump.Fill();
    TellInOrder();
}

void DownloadLoop::Cancel() {
    for (Slot& slot : m_slots)
        m_downloader.Cancel(slot.id);
    m_slots.clear();
    m_pump.Reset();
    m_over = true;
}

std::optional<Pump::Piece> DownloadLoop::Take() {
    if (m_over || m_drained)
        return std::nullopt;
    std::optional<DownloadRequest> request = m_next();
    if (!request) {
        m_drained = true;
        return std::nullopt;
    }
    // Claimed in list order, so the names do not depend on which transfer
    // ends first.
    request->fileName = m_names.Claim(request->fileName);
    Slot& slot = m_slots.emplace_back(Slot{std::move(*request), std::nullopt, 0});
    return [this, &slot] {
        slot.id = m_downloader.Download(
            slot.request, [this, &slot](const DownloadResult& result) { Saved(slot, result); });
    };
}

void DownloadLoop::Saved(Slot& slot, const DownloadResult& result) {
    slot.id = 0;
    slot.result = result;
    TellInOrder();
    if (m_over)
        return;
    m_pump.Ended();
    TellInOrder();
}

void DownloadLoop::TellInOrder() {
    while (!m_over && !m_slots.empty() && m_slots.front().result) {
        const Slot slot = std::move(m_slots.front());
        m_slots.pop_front();
        ++(slot.result->ok ? m_succeeded : m_failed);
        m_finished(slot.request, *slot.result);
    }
    if (!m_over && m_drained && m_slots.empty()) {
        m_over = true;
        if (m_told)
            m_told();
    }
}

}  // namespace pixquarry
