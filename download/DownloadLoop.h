#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "download/DownloadRun.h"
#include "platform/Downloader.h"
#include "platform/common/Pump.h"

namespace pixquarry {

// One download run, the same for the window and the command line: requests
// taken in list order from `next`, at most `atOnce` transfers at a time,
// names claimed within the run, each result told in list order, then the
// end. Nothing waits: the run moves on from the downloader's callbacks.
// The window runs it one at a time and reads each item only when it gets
// there; `pixquarry-cli download --jobs N` runs N at once.
class DownloadLoop final {
public:
    // The next request in list order; nothing when the list is done.
    using Next = std::function<std::optional<DownloadRequest>()>;
    using Finished =
        std::function<void(const DownloadRequest& request, const DownloadResult& result)>;
    using Over = std::function<void()>;

    DownloadLoop(Downloader& downloader, int atOnce, Next next, Finished finished, Over over);
    DownloadLoop(const DownloadLoop&) = delete;
    DownloadLoop& operator=(const DownloadLoop&) = delete;
    // What is under way is dropped.
    ~DownloadLoop();

    // Starts the first transfers; with nothing to fetch the run is over
    // before Start returns.
    void Start();
    // Drops what is under way, part files included; nothing more is told.
    void Cancel();

    bool Running() const { return m_started && !m_over; }
    // Requests taken whose results have not been told yet.
    int Underway() const { return static_cast<int>(m_slots.size()); }
    int Succeeded() const { return m_succeeded; }
    int Failed() const { return m_failed; }
    // "下载成功 N 个文件；下载失败 M 个文件。"
    std::string Summary() const { return RunSummary(m_succeeded, m_failed); }

private:
    struct Slot {
        DownloadRequest request;
        std::optional<DownloadResult> result;
        std::uint64_t id = 0;
    };
    std::optional<Pump::Piece> Take();
    void Saved(Slot& slot, const DownloadResult& result);
    void TellInOrder();

    Downloader& m_downloader;
    Next m_next;
    Finished m_finished;
    Over m_told;
    Pump m_pump;
    RunNames m_names;
    std::deque<Slot> m_slots;  // in list order, the oldest untold first
    int m_succeeded = 0;
    int m_failed = 0;
    bool m_started = false;
    bool m_drained = false;  // `next` has nothing more
    bool m_over = false;
};

}  // namespace pixquarry
