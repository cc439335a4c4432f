// pixquarry-cli download: every link of the list into one folder, with the
// window's file names, status lines and summary.

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/LinkHarvest.h"
#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "download/DownloadRun.h"
#include "download/FolderPaths.h"

namespace pixquarry {

namespace {

// The folder exists afterwards, or the reason is on stderr.
bool SettleFolder(const std::string& dir) {
    const std::string problem = MakeDownloadFolderPath(dir);
    if (!problem.empty())
        ReportFailure(problem);
    return problem.empty();
}

void WriteLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

int DownloadCommand(const CliOptions& options) {
    CliTransfers net(options);
    Harvest harvest;
    const int status = HarvestSource(options, net.pages, harvest);
    if (!harvest.ok)
        return status;
    if (!SettleFolder(options.dir))
        return 1;

    const std::string folder = WithClosingSlash(options.dir);
    RunNames names;
    std::vector<DownloadRequest> requests;
    requests.reserve(harvest.links.size());
    for (const std::string& text : harvest.links) {
        requests.push_back(RequestFor(text, folder));
        requests.back().fileName = names.Claim(requests.back().fileName);
    }

    // A line goes out whole as soon as its result is in.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ProgressLine progress(requests.size());
    const StopSignals stop;
    int succeeded = 0;
    int failed = 0;
    std::int64_t bytes = 0;
    TransferLimits limits;
    if (options.timeout > 0)
        limits.totalTimeout = std::chrono::seconds(options.timeout);
    const bool completed = net.engine.Run(
        requests, options.jobs, limits,
        [&](std::size_t index, const DownloadResult& result) {
            const std::string& name = requests[index].fileName;
            progress.BeforeOutput();
            if (result.ok) {
                WriteLine("下载成功：" + Visible(name) + "\n");
                ++succeeded;
            } else {
                std::string reason = result.error;
                if (options.verbose && !result.detail.empty())
                    reason += "（" + result.detail + "）";
                WriteLine("下载失败：" + Visible(name) + "\t" + Visible(reason) + "\n");
                ++failed;
            }
            progress.Update(static_cast<std::size_t>(succeeded + failed), bytes);
        },
        [&](std::int64_t received) {
            bytes = received;
            progress.Update(static_cast<std::size_t>(succeeded + failed), bytes);
            return !stop.Requested();
        });
    progress.Clear();

    WriteLine(RunSummary(succeeded, failed) + "\n");
    if (!completed) {
        std::fflush(stdout);
        stop.EndByIt();
    }
    return std::fflush(stdout) == 0 && failed == 0 ? status : 1;
}

}  // namespace pixquarry
