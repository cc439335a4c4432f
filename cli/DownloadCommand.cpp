// pixquarry-cli download: every link of the list into one folder, with the
// window's file names, status lines and summary, on the window's download
// loop with up to --jobs transfers at once. With --type or --min-size each
// link is checked first and only the pictures that match are downloaded.

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/LinkChecks.h"
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

// A link of the list: downloaded, or the line that says why not (skipped by
// the filter, or failed its check).
struct Entry {
    std::string link;
    std::string line;  // empty: downloaded
    bool failed = false;
};

// The run once the list is in: one line per link as soon as its result is
// in, in list order, then the summary.
class CliRun final {
public:
    CliRun(const CliOptions& options, CliTransfers& net, std::vector<Entry> entries)
        : m_options(options),
          m_entries(std::move(entries)),
          m_folder(WithClosingSlash(options.dir)),
          m_progress(m_entries.size()),
          m_loop(
              net.downloads, options.jobs, [this] { return Next(); },
              [this](const DownloadRequest& request, const DownloadResult& result) {
                  Finished(request, result);
              },
              [this] { Ended(); }) {}

    void Start() { m_loop.Start(); }
    void Cancel() { m_loop.Cancel(); }
    bool Over() const { return m_over; }
    int Failed() const { return m_loop.Failed() + m_checkFailed; }
    std::string Summary() const {
        std::string summary = RunSummary(m_loop.Succeeded(), Failed());
        if (m_skipped > 0)  // "。" goes to the end
            summary.insert(summary.size() - std::string_view("。").size(),
                           "；跳过 " + std::to_string(m_skipped) + " 个");
        return summary;
    }
    void Tick(std::int64_t bytes) { m_progress.Update(Done(), bytes); }
    void ClearProgress() { m_progress.Clear(); }

private:
    std::size_t Done() const { return m_told; }
    std::optional<DownloadRequest> Next() {
        while (m_next < m_entries.size() && !m_entries[m_next].line.empty())
            ++m_next;
        if (m_next >= m_entries.size())
            return std::nullopt;
        return RequestFor(m_entries[m_next++].link, m_folder);
    }
    // The lines of links not downloaded, up to the next downloaded one.
    void TellUndownloaded() {
        for (; m_told < m_entries.size() && !m_entries[m_told].line.empty(); ++m_told) {
            ++(m_entries[m_told].failed ? m_checkFailed : m_skipped);
            m_progress.BeforeOutput();
            WriteLine(m_entries[m_told].line);
        }
    }
    void Finished(const DownloadRequest& request, const DownloadResult& result) {
        TellUndownloaded();
        ++m_told;
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
    void Ended() {
        TellUndownloaded();
        m_over = true;
    }

    const CliOptions& m_options;
    std::vector<Entry> m_entries;
    std::string m_folder;
    std::size_t m_next = 0;
    std::size_t m_told = 0;  // entries whose line is out
    int m_skipped = 0;
    int m_checkFailed = 0;
    ProgressLine m_progress;
    DownloadLoop m_loop;
    bool m_over = false;
};

// Each link checked, in list order, before anything is downloaded: the
// entries of the run, those the filter does not keep with their lines.
class FilterCheck final {
public:
    FilterCheck(const CliOptions& options, CliTransfers& net, std::vector<std::string> links,
                std::function<void(std::vector<Entry>)> done)
        : m_options(options),
          m_links(std::move(links)),
          m_progress(m_links.size()),
          m_done(std::move(done)),
          m_check(
              net.probes, options.checkJobs, m_links,
              [this](std::size_t index, const LinkVerdict& verdict) { Told(index, verdict); },
              [this] {
                  m_progress.Clear();
                  m_done(std::move(m_entries));
              }) {}
    void Start() { m_check.Start(); }
    void Cancel() { m_check.Cancel(); }
    void Tick(std::int64_t bytes) { m_progress.Update(m_check.Done(), bytes); }

private:
    void Told(std::size_t index, const LinkVerdict& verdict) {
        Entry& entry = m_entries.emplace_back(Entry{m_links[index], {}, false});
        const std::string name = Visible(RequestFor(entry.link, {}).fileName);
        if (!verdict.ok) {
            entry.failed = true;
            entry.line = std::string(kNotSavedLine) + name + "\t" + Visible(verdict.reason) + "\n";
        } else if (!Wanted(m_options, verdict)) {
            entry.line = "已跳过：" + name + "（" + WhyNotWanted(m_options, verdict) + "）\n";
        }
    }

    const CliOptions& m_options;
    std::vector<std::string> m_links;
    std::vector<Entry> m_entries;
    ProgressLine m_progress;
    std::function<void(std::vector<Entry>)> m_done;
    ListCheck m_check;
};

}  // namespace

int DownloadCommand(const CliOptions& options) {
    CliTransfers net(options);
    // A line goes out whole as soon as its result is in.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const StopSignals stop;
    std::unique_ptr<FilterCheck> check;
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
        if (options.Filtered()) {
            check = std::make_unique<FilterCheck>(
                options, net, std::move(harvest.links), [&](std::vector<Entry> entries) {
                    run = std::make_unique<CliRun>(options, net, std::move(entries));
                    run->Start();
                });
            check->Start();
            return;
        }
        std::vector<Entry> entries;
        for (std::string& link : harvest.links)
            entries.push_back(Entry{std::move(link), {}, false});
        run = std::make_unique<CliRun>(options, net, std::move(entries));
        run->Start();
    });

    std::function<void()> tick = [&] {
        if (run)
            run->Tick(net.downloads.Received());
        else if (check)
            check->Tick(net.probes.Received());
        net.loop.StartTimer(kTick, tick);
    };
    net.loop.StartTimer(kTick, tick);
    net.loop.RunUntil([&] {
        return stop.Requested() || (harvested && !(check && !run) && (!run || run->Over()));
    });
    if (check)
        check->Cancel();
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
