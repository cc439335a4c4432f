// pixquarry-cli download: every link of the list into one folder, with the
// window's file names, status lines and summary.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/LinkHarvest.h"
#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "download/FolderPaths.h"
#include "extract/LinkText.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/curl/CurlParallelDownloader.h"

namespace pixquarry {

namespace {

// The folder exists afterwards, or the reason is on stderr.
bool SettleFolder(const std::string& dir) {
    const std::string problem = MakeDownloadFolder(dir);
    if (!problem.empty())
        ReportFailure(problem);
    return problem.empty();
}

void WriteLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

int DownloadCommand(const CliOptions& options) {
    CurlHttpClient pages(SourceFetchLimits());
    Harvest harvest;
    if (const int status = HarvestSource(options, pages, harvest); status != 0)
        return status;
    if (!SettleFolder(options.dir))
        return 1;

    std::vector<DownloadRequest> requests;
    requests.reserve(harvest.links.size());
    for (const std::string& text : harvest.links)
        requests.push_back({TrimSpaces(text), options.dir, FGetLast(text)});

    // A line goes out whole as soon as its transfer ends.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ProgressLine progress(requests.size());
    const StopSignals stop;
    int succeeded = 0;
    int failed = 0;
    std::int64_t bytes = 0;
    CurlParallelDownloader downloader(TransferLimits{}, options.jobs);
    const bool completed = downloader.Run(
        requests,
        [&](std::size_t index, const DownloadResult& result) {
            const std::string& name = requests[index].fileName;
            progress.BeforeOutput();
            if (result.ok) {
                WriteLine("下载成功：" + name + "\n");
                ++succeeded;
            } else {
                WriteLine("下载失败：" + name + "\t" + result.error + "\n");
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

    WriteLine("下载成功 " + std::to_string(succeeded) + " 个文件；下载失败 " +
              std::to_string(failed) + " 个文件。\n");
    if (!completed) {
        std::fflush(stdout);
        stop.EndByIt();
    }
    return std::fflush(stdout) == 0 && failed == 0 ? 0 : 1;
}

}  // namespace pixquarry
