#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"
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

TransferLimits QuickLimits() {
    TransferLimits limits;
    // libcurl averages the speed over up to 5 s, so the few bytes /stall
    // sends must be well under the limit for 1 s to be enough.
    limits.stallTime = std::chrono::seconds(1);
    limits.stallBytesPerSecond = 1000;
    return limits;
}

class Engine : public ::testing::Test {
protected:
    // A path on the site, or a whole link when it has a scheme or is not one.
    std::string Link(const std::string& path) const {
        return path.rfind('/', 0) == 0 ? m_site.Url(path) : path;
    }
    DownloadResult Fetch(const std::string& path, const std::string& name,
                         TransferLimits limits = QuickLimits()) {
        return EngineDownloader(m_engine, limits)
            .Download({Link(path), m_folder.Path().string(), name});
    }
    // Every request's result, each reported once and in list order.
    std::vector<DownloadResult> RunAll(const std::vector<DownloadRequest>& requests, int jobs) {
        std::vector<DownloadResult> results;
        EXPECT_TRUE(m_engine.Run(requests, jobs, QuickLimits(),
                                 [&](std::size_t index, const DownloadResult& result) {
                                     EXPECT_EQ(index, results.size());
                                     results.push_back(result);
                                 }));
        EXPECT_EQ(results.size(), requests.size());
        return results;
    }

    TempFolder m_folder;
    PictureSite m_site;
    PollEventLoop m_loop;
    // Declared last: its connections close before the site stops.
    TransferEngine m_engine{m_loop};
};

struct Saved {
    const char* name;
    const char* path;
    const char* fileName;
    std::string content;
    long status = 200;
};

void PrintTo(const Saved& c, std::ostream* os) {
    *os << c.name;
}

class SavesBody : public Engine, public ::testing::WithParamInterface<Saved> {};

TEST_P(SavesBody, ByteForByteWithUsualMode) {
    const Saved& c = GetParam();
    const DownloadResult r = Fetch(c.path, c.fileName);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.httpStatus, c.status);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(Contents(m_folder.Path()),
              (std::map<std::string, std::string>{{c.fileName, c.content}}));

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
                      Saved{"Status399IsNoError", "/status/399", "s.png", "status 399", 399}),
    [](const auto& info) { return std::string(info.param.name); });

// Every failure the test servers can provoke, with the reason the user reads.
struct Failed {
    const char* name;
    std::string link;  // a path on the site, or a whole link
    long status;
    std::string reason;
};

void PrintTo(const Failed& c, std::ostream* os) {
    *os << c.name;
}

class FailsKeepingFolder : public Engine, public ::testing::WithParamInterface<Failed> {};

TEST_P(FailsKeepingFolder, WithItsReasonNoPartialFileAndOldFileIntact) {
    const Failed& c = GetParam();
    std::ofstream(m_folder.Path() / "target.png") << "old";
    TransferLimits limits = QuickLimits();
    if (c.reason == "超时")
        limits.totalTimeout = std::chrono::milliseconds(500);
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult r = Fetch(c.link, "target.png", limits);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.httpStatus, c.status);
    EXPECT_EQ(r.error, c.reason);
    EXPECT_EQ(Contents(m_folder.Path()),
              (std::map<std::string, std::string>{{"target.png", "old"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, FailsKeepingFolder,
    ::testing::Values(
        Failed{"NotFound", "/missing", 404, "服务器回答 HTTP 404"},
        Failed{"Status400", "/status/400", 400, "服务器回答 HTTP 400"},
        Failed{"ServerError", "/broken", 500, "服务器回答 HTTP 500"},
        Failed{"RedirectToFile", "/to-file", 302, "不支持的协议"},
        Failed{"RedirectLoop", "/loop", 302, "重定向次数过多"},
        Failed{"ElevenRedirects", "/hop/11", 302, "重定向次数过多"},
        Failed{"ClosedMidBody", "/cut", 200, "传输中途中断"},
        Failed{"Stalled", "/stall", 200, "服务器长时间没有发送数据"},
        Failed{"OverTheWholeLimit", "/stall", 200, "超时"},
        Failed{"Refused", "http://127.0.0.1:1/a.png", 0, "无法连接到服务器 127.0.0.1:1"},
        Failed{"UnknownHost", "http://host.invalid/a.png", 0, "无法解析主机名“host.invalid”"},
        Failed{"FileLink", "file:///etc/passwd", 0, "不是完整的网址"},
        Failed{"NoScheme", "img/a.png", 0, "不是完整的网址"},
        Failed{"HostWithoutScheme", "127.0.0.1:1/img/a.png", 0, "不是完整的网址"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Engine, RefusesBeforeAnyTransfer) {
    using namespace std::string_literals;
    for (const std::string& name : {""s, "."s, ".."s, "a/b.png"s, "a\0b"s}) {
        const DownloadResult r = Fetch("/pic.png", name);
        EXPECT_EQ(r.error, "文件名无效") << name;
    }
    const DownloadResult missing = EngineDownloader(m_engine).Download(
        {m_site.Url("/pic.png"), (m_folder.Path() / "gone").string(), "a"});
    EXPECT_EQ(missing.error, "文件夹不存在");
    EXPECT_EQ(m_site.Requests(), 0);
    EXPECT_TRUE(Contents(m_folder.Path()).empty());
}

TEST_F(Engine, SendsOwnUserAgentAndTheLinksOriginOnlyWhenAsked) {
    ASSERT_TRUE(Fetch("/echo?from=style.css#top", "echo").ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "echo"), m_site.Origin() + "/|Pixquarry/1.00");
    DownloadRequest updater{m_site.Url("/echo"), m_folder.Path().string(), "updater"};
    updater.sendReferer = false;
    ASSERT_TRUE(EngineDownloader(m_engine).Download(updater).ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "updater"), "|Pixquarry/1.00");
}

TEST_F(Engine, ReusesTheConnection) {
    ASSERT_TRUE(Fetch("/port", "first").ok);
    ASSERT_FALSE(Fetch("/missing", "gap").ok);
    ASSERT_TRUE(Fetch("/port", "second").ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "first"), ReadFile(m_folder.Path() / "second"));
}

TEST_F(Engine, ManyAtOnceGiveWhatOneAtATimeGives) {
    TempFolder one;
    TempFolder four;
    const auto requests = [&](const fs::path& folder) {
        std::vector<DownloadRequest> list;
        for (const char* path :
             {"/wait/300/slow.png", "/pic.png", "/moved", "/hop/10", "/show.php?id=3", "/missing",
              "/broken", "/to-file", "/loop", "/cut", "/echo?from=x"})
            list.push_back({m_site.Url(path), folder.string(), std::to_string(list.size())});
        list.push_back({m_site.Url("/pic.png"), (folder / "gone").string(), "pic.png"});
        return list;
    };
    const std::vector<DownloadResult> expected = RunAll(requests(one.Path()), 1);
    const std::vector<DownloadResult> results = RunAll(requests(four.Path()), 4);
    ASSERT_EQ(results.size(), expected.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].ok, expected[i].ok) << i;
        EXPECT_EQ(results[i].httpStatus, expected[i].httpStatus) << i;
        EXPECT_EQ(results[i].error, expected[i].error) << i;
    }
    EXPECT_EQ(Contents(four.Path()), Contents(one.Path()));
    EXPECT_EQ(Contents(four.Path()).at("0"), "slow.png");
}

TEST_F(Engine, StoppedRunLeavesNoFile) {
    int reports = 0;
    const auto start = std::chrono::steady_clock::now();
    const bool completed = m_engine.Run(
        {{m_site.Url("/stall"), m_folder.Path().string(), "stall.png"}}, 2, QuickLimits(),
        [&](std::size_t, const DownloadResult&) { ++reports; },
        [](std::int64_t bytes) { return bytes == 0; });
    EXPECT_FALSE(completed);
    EXPECT_EQ(reports, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_TRUE(Contents(m_folder.Path()).empty());
}

TEST_F(Engine, FetchGivesTheWholeResponseAndWhereItEndedUp) {
    const HttpResponse missing = m_engine.Fetch(m_site.Url("/missing"), UpdateCheckLimits());
    EXPECT_TRUE(missing.ok) << missing.error;
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "not here");
    const HttpResponse moved = m_engine.Fetch(m_site.Url("/moved"), UpdateCheckLimits());
    EXPECT_EQ(moved.body, PictureSite::Picture());
    EXPECT_EQ(moved.finalUrl, m_site.Url("/pic.png"));
    EXPECT_EQ(m_engine.Fetch(m_site.Url("/echo"), UpdateCheckLimits()).body, "|Pixquarry/1.00");

    const auto size = static_cast<std::int64_t>(PictureSite::Picture().size());
    for (const std::int64_t maxBytes : {size, size - 1}) {
        TransferLimits limits;
        limits.maxBytes = maxBytes;
        const HttpResponse r = m_engine.Fetch(m_site.Url("/pic.png"), limits);
        EXPECT_EQ(r.ok, maxBytes == size) << maxBytes;
        EXPECT_EQ(r.error, r.ok ? "" : "响应超过 " + std::to_string(maxBytes) + " 字节");
    }
}

}  // namespace
}  // namespace pixquarry
