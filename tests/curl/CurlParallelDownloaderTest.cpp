#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/curl/CurlDownloader.h"
#include "platform/curl/CurlParallelDownloader.h"
#include "tests/curl/PictureSite.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHttpServer.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;
using testing::PictureSite;
using testing::TempFolder;
using testing::TestHttpServer;

// Every file in a folder with its bytes.
std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().filename().string()] = bytes.str();
    }
    return files;
}

TransferLimits QuickLimits() {
    TransferLimits limits;
    limits.stallTime = std::chrono::seconds(1);
    limits.stallBytesPerSecond = 1000;
    return limits;
}

std::vector<DownloadResult> RunAll(CurlParallelDownloader& downloader,
                                   const std::vector<DownloadRequest>& requests) {
    std::vector<DownloadResult> results(requests.size());
    std::vector<int> reports(requests.size(), 0);
    EXPECT_TRUE(downloader.Run(requests, [&](std::size_t index, const DownloadResult& result) {
        results.at(index) = result;
        ++reports.at(index);
    }));
    EXPECT_EQ(std::count(reports.begin(), reports.end(), 1),
              static_cast<std::ptrdiff_t>(requests.size()));
    return results;
}

TEST(CurlParallelDownloader, GivesWhatCurlDownloaderGives) {
    PictureSite site;
    TempFolder one;
    TempFolder parallel;
    const auto requests = [&](const fs::path& folder) {
        const std::string in = folder.string();
        const std::vector<std::pair<std::string, std::string>> links{
            {"/pic.png", "pic.png"},   {"/moved", "moved.png"},  {"/hop/10", "hop.png"},
            {"/show.php?id=3", "id3"}, {"/a/same.png", "same"},  {"/b/same.png", "same"},
            {"/missing", "missing"},   {"/broken", "broken"},    {"/to-file", "to-file"},
            {"/loop", "loop"},         {"/hop/11", "hop11"},     {"/cut", "cut"},
            {"/pic.png", ".."},        {"/echo?from=x", "echo"}, {"/pic.png", "x/y"}};
        std::vector<DownloadRequest> list;
        for (const auto& [path, name] : links)
            list.push_back({site.Url(path), in, name});
        list.push_back({"file:///etc/passwd", in, "passwd"});
        list.push_back({site.Url("/pic.png"), (folder / "gone").string(), "pic.png"});
        return list;
    };

    std::vector<DownloadResult> expected;
    {
        CurlDownloader downloader(QuickLimits());
        for (const DownloadRequest& request : requests(one.Path()))
            expected.push_back(downloader.Download(request));
    }
    CurlParallelDownloader downloader(QuickLimits(), 4);
    const std::vector<DownloadResult> results = RunAll(downloader, requests(parallel.Path()));

    ASSERT_EQ(results.size(), expected.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].ok, expected[i].ok) << i;
        EXPECT_EQ(results[i].httpStatus, expected[i].httpStatus) << i;
        EXPECT_EQ(results[i].error, expected[i].error) << i;
    }
    EXPECT_EQ(Contents(parallel.Path()), Contents(one.Path()));
    // Not two runs that failed alike.
    EXPECT_EQ(Contents(parallel.Path()).at("same"), "second");
    EXPECT_EQ(results[6].error, "HTTP 404");
}

struct Race {
    const char* name;
    std::vector<const char*> paths;  // in list order, all saved as one name
    const char* kept;
};

void PrintTo(const Race& c, std::ostream* os) {
    *os << c.name;
}

class SharedName : public ::testing::TestWithParam<Race> {};

TEST_P(SharedName, LaterInListWinsWhicheverEndsFirst) {
    PictureSite site;
    TempFolder folder;
    std::vector<DownloadRequest> requests;
    for (const char* path : GetParam().paths)
        requests.push_back({site.Url(path), folder.Path().string(), "same.png"});
    CurlParallelDownloader downloader(QuickLimits(), 2);
    RunAll(downloader, requests);
    const std::map<std::string, std::string> kept{{"same.png", GetParam().kept}};
    EXPECT_EQ(Contents(folder.Path()), kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedName,
    ::testing::Values(Race{"LaterEndsFirst", {"/wait/300/first", "/wait/0/second"}, "second"},
                      Race{"LaterEndsLast", {"/wait/0/first", "/wait/300/second"}, "second"},
                      Race{"LaterFails", {"/wait/300/first", "/missing"}, "first"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CurlParallelDownloader, StoppedRunLeavesNoFile) {
    PictureSite site;
    TempFolder folder;
    CurlParallelDownloader downloader(QuickLimits(), 2);
    int reports = 0;
    const auto start = std::chrono::steady_clock::now();
    const bool completed = downloader.Run(
        {{site.Url("/stall"), folder.Path().string(), "stall.png"}},
        [&](std::size_t, const DownloadResult&) { ++reports; },
        [](std::int64_t bytes) { return bytes == 0; });
    EXPECT_FALSE(completed);
    EXPECT_EQ(reports, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_TRUE(Contents(folder.Path()).empty());
}

}  // namespace
}  // namespace pixquarry
