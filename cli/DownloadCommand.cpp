// pixquarry-cli download: every link of the list into one folder, with the
// window's file names, status lines and summary, on the window's download
// loop with up to --jobs transfers at once.

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/LinkHarvest.h"
#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "download/DownloadLoop.h"
#include "download/DownloadRun.h"
#include "download/FolderPaths.h"
#include "platform/posix/PosixFileSystem.h"

namespace pixquarry {

namespace {

constexpr std::chrono::milliseconds kTick{100};

void WriteLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
}

// The run once the list is in: one line per link as soon as its result is
// in, in list order, then the summary.
class CliRun final {
public:
    CliRun(const CliOptions& options, CliTransfers& net, std::vector<std::string> links)
        : m_options(options),
          m_links(std::move(links)),
          m_folder(WithClosingSlash(options.dir)),
          m_progress(m_links.size()),
          m_loop(
              net.downloads, options.jobs, [this] { return Next(); },
              [this](const DownloadRequest& request, const DownloadResult& result) {
                  Finished(request, result);
              },
              [this] { m_over = true; }) {}

    void Start() { m_loop.Start(); }
    void Cancel() { m_loop.Cancel(); }
    bool Over() const { return m_over; }
    int Failed() const { return m_loop.Failed(); }
    std::string Summary() const { return m_loop.Summary(); }
    void Tick(std::int64_t bytes) { m_progress.Update(Done(), bytes); }
    void ClearProgress() { m_progress.Clear(); }

private:
    std::size_t Done() const {
        return static_cast<std::size_t>(m_loop.Succeeded() + m_loop.Failed());
    }
    std::optional<DownloadRequest> Next() {
        if (m_next >= m_links.size())
            return std::nullopt;
        return RequestFor(m_links[m_next++], m_folder);
    }
    void Finished(const DownloadRequest& request, const DownloadResult& result) {
        m_progress.BeforeOutput();
        if (result.ok) {
            WriteLine(std::string(kSavedLine) + Visible(request.fileName) + "\n");
        } else {
            std::string reason = result.error;
            if (m_options.verbose && !result.detail.empty())
                reason += "（" + result.detail + "）";
            WriteLine(std::string(kNotSavedLine) + Visible(request.fileName) + "\t" +
                      Visible(reason) + "\n");
        }
    }

    const CliOptions& m_options;
    std::vector<std::string> m_links;
    std::string m_folder;
    std::size_t m_next = 0;
    ProgressLine m_progress;
    DownloadLoop m_loop;
    bool m_over = false;
};

}  // namespace

int DownloadCommand(const CliOptions& options) {
    CliTransfers net(options);
    // A line goes out whole as soon as its result is in.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const StopSignals stop;
    std::unique_ptr<CliRun> run;
    int status = 0;
    bool harvested = false;
    HarvestSource(options, net, [&](int sofar, Harvest harvest) {
        harvested = true;
        status = sofar;
        if (!harvest.ok)
            return;
        PosixFileSystem files;
        if (const std::string problem = MakeDownloadFolderPath(files, options.dir);
            !problem.empty()) {
            status = ReportFailure(problem);
            return;
        }
        run = std::make_unique<CliRun>(options, net, std::move(harvest.links));
        run->Start();
    });

    std::function<void()> tick = [&] {
        if (run)
            run->Tick(net.downloads.Received());
        net.loop.StartTimer(kTick, tick);
    };
    net.loop.StartTimer(kTick, tick);
    net.loop.RunUntil([&] { return stop.Requested() || (harvested && (!run || run->Over())); });
    if (!run) {
        if (stop.Requested())
            stop.EndByIt();
        return status;
    }
    // Whatever is still going is dropped, and its part file with it.
    const bool completed = run->Over();
    run->Cancel();
    run->ClearProgress();
    WriteLine(run->Summary() + "\n");
    if (!completed) {
        std::fflush(stdout);
        stop.EndByIt();
    }
    return std::fflush(stdout) == 0 && run->Failed() == 0 ? status : 1;
}

}  // namespace pixquarry
