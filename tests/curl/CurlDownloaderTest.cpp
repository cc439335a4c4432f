#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/curl/CurlDownloader.h"
#include "platform/curl/CurlParallelDownloader.h"
#include "tests/curl/PictureSite.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;
using testing::Contents;
using testing::PictureSite;
using testing::ReadFile;
using testing::TempFolder;

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TransferLimits QuickLimits() {
    TransferLimits limits;
    // libcurl averages the speed over up to 5 s, so the few bytes /stall
    // sends must be well under the limit for 1 s to be enough.
    limits.stallTime = std::chrono::seconds(1);
    limits.stallBytesPerSecond = 1000;
    return limits;
}

class CurlDownloaderTest : public ::testing::Test {
protected:
    // A path, or a whole link when it has a scheme.
    DownloadResult Fetch(const std::string& path, const std::string& name) {
        const std::string url = path.find("://") == std::string::npos ? m_site.Url(path) : path;
        return m_downloader.Download({url, m_folder.Path().string(), name});
    }

    TempFolder m_folder;
    PictureSite m_site;
    // Declared last: its connections close before the site stops.
    CurlDownloader m_downloader{QuickLimits()};
};

struct Saved {
    const char* name;
    const char* path;
    const char* fileName;
    std::string content;
    bool folderEndsWithSlash = false;
};

void PrintTo(const Saved& c, std::ostream* os) {
    *os << c.name;
}

class SavesBody : public CurlDownloaderTest, public ::testing::WithParamInterface<Saved> {};

TEST_P(SavesBody, ByteForByteWithUsualMode) {
    const Saved& c = GetParam();
    std::string folder = m_folder.Path().string();
    if (c.folderEndsWithSlash)
        folder += '/';
    const DownloadResult r = m_downloader.Download({m_site.Url(c.path), folder, c.fileName});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.httpStatus, 200);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(Names(m_folder.Path()), std::vector<std::string>{c.fileName});
    EXPECT_TRUE(ReadFile(m_folder.Path() / c.fileName) == c.content);

    const mode_t mask = ::umask(022);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat((m_folder.Path() / c.fileName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SavesBody,
    ::testing::Values(Saved{"Picture", "/pic.png", "pic.png", PictureSite::Picture()},
                      Saved{"AfterRedirect", "/moved", "pic.png", PictureSite::Picture()},
                      Saved{"TenRedirects", "/hop/10", "hop.png", "end"},
                      Saved{"QueryInName", "/show.php?id=3", "show.php?id=3", "id=3"},
                      Saved{"FolderWithSlash", "/show.php?id=4", "x.gif", "id=4", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct Failed {
    const char* name;
    const char* path;
    long status;
    const char* error;  // exact text; nullptr: libcurl's own, not checked
};

void PrintTo(const Failed& c, std::ostream* os) {
    *os << c.name;
}

class FailsKeepingFolder : public CurlDownloaderTest,
                           public ::testing::WithParamInterface<Failed> {};

TEST_P(FailsKeepingFolder, NoPartialFileAndOldFileIntact) {
    const Failed& c = GetParam();
    std::ofstream(m_folder.Path() / "target.png") << "old";
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult r = Fetch(c.path, "target.png");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.httpStatus, c.status);
    if (c.error != nullptr) {
        EXPECT_EQ(r.error, c.error);
    } else {
        EXPECT_NE(r.error, "");
    }
    EXPECT_EQ(Names(m_folder.Path()), std::vector<std::string>{"target.png"});
    EXPECT_EQ(ReadFile(m_folder.Path() / "target.png"), "old");
}

INSTANTIATE_TEST_SUITE_P(Cases, FailsKeepingFolder,
                         ::testing::Values(Failed{"FileLink", "file:///etc/passwd", 0, nullptr},
                                           Failed{"NotFoundWithBody", "/missing", 404, "HTTP 404"},
                                           Failed{"ServerError", "/broken", 500, "HTTP 500"},
                                           Failed{"RedirectToFile", "/to-file", 302, nullptr},
                                           Failed{"RedirectLoop", "/loop", 302, nullptr},
                                           Failed{"ElevenRedirects", "/hop/11", 302, nullptr},
                                           Failed{"ClosedMidBody", "/cut", 200, nullptr},
                                           Failed{"Stalled", "/stall", 200, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CurlDownloaderTest, BadNamesFailBeforeAnyTransfer) {
    using namespace std::string_literals;
    for (const std::string& name : {""s, "."s, ".."s, "a/b.png"s, "a\0b"s}) {
        const DownloadResult r = Fetch("/pic.png", name);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_EQ(r.error, "文件名无效") << name;
    }
    EXPECT_EQ(m_site.Requests(), 0);
    EXPECT_TRUE(Names(m_folder.Path()).empty());
}

TEST_F(CurlDownloaderTest, MissingFolderGivesSystemReason) {
    const DownloadResult r =
        m_downloader.Download({m_site.Url("/pic.png"), (m_folder.Path() / "gone").string(), "a"});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, std::strerror(ENOENT));
    EXPECT_EQ(m_site.Requests(), 0);
}

TEST_F(CurlDownloaderTest, LaterLinkWithSameNameReplacesEarlier) {
    ASSERT_TRUE(Fetch("/a/same.png", "same.png").ok);
    ASSERT_TRUE(Fetch("/b/same.png", "same.png").ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "same.png"), "second");
}

TEST_F(CurlDownloaderTest, SendsLinkOriginAsRefererAndOwnUserAgent) {
    ASSERT_TRUE(Fetch("/echo?from=style.css#top", "echo").ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "echo"), m_site.Origin() + "/|Pixquarry/1.00");
}

TEST_F(CurlDownloaderTest, ReusesTheConnection) {
    ASSERT_TRUE(Fetch("/port", "first").ok);
    ASSERT_FALSE(Fetch("/missing", "gap").ok);
    ASSERT_TRUE(Fetch("/port", "second").ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "first"), ReadFile(m_folder.Path() / "second"));
}

// The parallel downloader: the same outcomes, many transfers at once.

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
