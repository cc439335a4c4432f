#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/curl/EngineDownloads.h"
#include "platform/curl/EngineHttpClient.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"
#include "tests/curl/PictureSite.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;
using testing::Contents;
using testing::PictureSite;
using testing::ReadFile;
using testing::TempFolder;

TransferLimits QuickLimits() {
    TransferLimits limits;
    limits.stallTime = std::chrono::seconds(1);
    limits.stallBytes = 1000;
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
        return Download({Link(path), m_folder.Path().string(), name}, limits);
    }
    DownloadResult Download(const DownloadRequest& request, TransferLimits limits = {}) {
        EngineDownloads downloads(m_engine, limits);
        return testing::DownloadNow(m_loop, downloads, request);
    }
    HttpResponse Get(const std::string& path, TransferLimits limits) {
        EngineHttpClient client(m_engine, limits);
        return testing::GetNow(m_loop, client, m_site.Url(path));
    }

    TempFolder m_folder;
    PictureSite m_site;
    PollEventLoop m_loop;
    // Declared last: its connections close before the site stops.
    TransferEngine m_engine{m_loop};
};

TEST_F(Engine, SavesTheBodyByteForByteWithTheUsualMode) {
    struct Case {
        const char* path;
        const char* fileName;
        std::string content;
    };
    // The bytes past a Content-Length are not the picture's, and the answer
    // after them must not take them for its own.
    const Case cases[] = {{"/long", "long.png", std::string(100, 'L')},
                          {"/pic.png", "pic.png", PictureSite::Picture()},
                          {"/hop/10", "hop.png", "end"},
                          {"/show.php?id=3", "show.php?id=3", "id=3"},
                          {"/gzip.png", "gzip.png", PictureSite::Picture()}};
    const mode_t mask = ::umask(022);
    ::umask(mask);
    for (const Case& c : cases) {
        const DownloadResult r = Fetch(c.path, c.fileName);
        EXPECT_TRUE(r.ok && r.error.empty()) << c.path << ": " << r.error;
        EXPECT_EQ(r.httpStatus, 200) << c.path;
        EXPECT_TRUE(ReadFile(m_folder.Path() / c.fileName) == c.content) << c.path;
        struct stat info {};
        ::stat((m_folder.Path() / c.fileName).c_str(), &info);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << c.path;
    }
    EXPECT_EQ(Contents(m_folder.Path()).size(), std::size(cases)) << "no part file left";
}

// Every failure the test servers can provoke, with the reason the user reads;
// the folder is as it was.
TEST_F(Engine, FailsWithItsReasonKeepingTheOldFile) {
    struct Case {
        std::string link;  // a path on the site, or a whole link
        long status;
        std::string reason;
    };
    const Case cases[] = {
        {m_site.RawUrl("/endless-404"), 404, "服务器回答 HTTP 404"},
        {"/status/500", 500, "服务器回答 HTTP 500"},
        {"/status/302", 302, "服务器要求跳转但没有给出新地址"},
        {"/status/300", 300, "服务器要求跳转但没有给出新地址"},
        {"/status/204", 204, "服务器没有返回内容"},
        {"/status/304", 304, "服务器没有返回内容"},
        {m_site.RawUrl("/empty"), 200, "服务器没有返回内容"},
        {m_site.RawUrl("/cut-header"), 200, "传输中途中断"},
        {m_site.RawUrl("/big-header"), 200, "服务器的回答过大或不合规范"},
        {m_site.RawUrl("/length-1"), 200, "服务器的回答不合规范"},
        {m_site.RawUrl("/nul-location"), 302, "服务器的回答不合规范"},
        {m_site.RawUrl("/status-line"), 0, "服务器的回答不合规范"},
        {m_site.RawUrl("/http09"), 0, "服务器的回答不合规范"},
        {m_site.RawUrl("/bad-gzip"), 200, "服务器的回答不合规范"},
        {m_site.RawUrl("/to-file"), 302, "不支持的协议"},
        {"/hop/11", 302, "重定向次数过多"},
        {"/cut", 200, "传输中途中断"},
        {"/stall", 200, "服务器长时间没有发送数据"},
        {"http://127.0.0.1:1/a.png", 0, "无法连接到服务器 127.0.0.1:1"},
        {"http://host.invalid/a.png", 0, "无法解析主机名“host.invalid”"},
        {"file:///etc/passwd", 0, "不是完整的网址"},
        {"img/a.png", 0, "不是完整的网址"},
    };
    std::ofstream(m_folder.Path() / "target.png") << "old";
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const DownloadResult r = Fetch(c.link, "target.png");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.link;
        EXPECT_FALSE(r.ok) << c.link;
        EXPECT_EQ(r.httpStatus, c.status) << c.link;
        EXPECT_EQ(r.error, c.reason) << c.link;
        EXPECT_EQ(Contents(m_folder.Path()),
                  (std::map<std::string, std::string>{{"target.png", "old"}}))
            << c.link;
    }
}

TEST_F(Engine, RefusesBeforeAnyTransfer) {
    using namespace std::string_literals;
    for (const std::string& name : {""s, "."s, ".."s, "a/b.png"s, "a\0b"s, ".pixquarry-parts"s}) {
        const DownloadResult r = Fetch("/pic.png", name);
        EXPECT_EQ(r.error, "文件名无效") << name;
    }
    const DownloadResult missing =
        Download({m_site.Url("/pic.png"), (m_folder.Path() / "gone").string(), "a"});
    EXPECT_EQ(missing.error, "文件夹不存在");
    EXPECT_EQ(m_site.Requests(), 0);
    EXPECT_TRUE(Contents(m_folder.Path()).empty());
}

TEST_F(Engine, SendsOwnUserAgentAndTheLinksOriginOnlyWhenAskedOnOneConnection) {
    ASSERT_TRUE(Fetch("/echo?from=style.css#top", "echo").ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "echo"), m_site.Origin() + "/|Pixquarry/1.00");
    DownloadRequest updater{m_site.Url("/echo"), m_folder.Path().string(), "updater"};
    updater.sendReferer = false;
    ASSERT_TRUE(Download(updater).ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "updater"), "|Pixquarry/1.00");
    // One connection for all, a failed answer in between.
    ASSERT_TRUE(Fetch("/port", "first").ok);
    ASSERT_FALSE(Fetch("/missing", "gap").ok);
    ASSERT_TRUE(Fetch("/port", "second").ok);
    EXPECT_EQ(ReadFile(m_folder.Path() / "first"), ReadFile(m_folder.Path() / "second"));
}

TEST_F(Engine, ACancelledTransferLeavesNoFileAndTellsNothing) {
    EngineDownloads downloads(m_engine, QuickLimits());
    int reports = 0;
    const std::uint64_t id =
        downloads.Download({m_site.Url("/stall"), m_folder.Path().string(), "stall.png"},
                           [&reports](const DownloadResult&) { ++reports; });
    m_loop.RunUntil([&downloads] { return downloads.Received() > 0; });
    downloads.Cancel(id);
    EXPECT_TRUE(Contents(m_folder.Path()).empty());
    bool later = false;
    m_loop.StartTimer(std::chrono::milliseconds(200), [&later] { later = true; });
    m_loop.RunUntil([&later] { return later; });
    EXPECT_EQ(reports, 0);
}

TEST_F(Engine, AFullDiskFailsTheItemAndKeepsTheOldFile) {
    const fs::path small = m_folder.Path() / "small";
    fs::create_directories(small);
    if (::getuid() != 0 || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "needs root and a 1 MiB tmpfs";
    std::ofstream(small / "pic.png") << "old";
    const DownloadResult r = Download({m_site.Url("/huge/4"), small.string(), "pic.png"});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "磁盘已满");
    EXPECT_EQ(Contents(small), (std::map<std::string, std::string>{{"pic.png", "old"}}));
    ::umount(small.c_str());
}

// The body goes to disk as it comes: memory stays flat however large it is.
TEST(EngineSize, AHugePictureStreamsWithFlatMemory) {
#ifdef PIXQUARRY_SANITIZED
    constexpr std::int64_t kSize = std::int64_t{256} << 20;
#else
    constexpr std::int64_t kSize = std::int64_t{2} << 30;
#endif
    PictureSite site;
    TempFolder folder;
    PollEventLoop loop;
    TransferEngine engine(loop);
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    EngineDownloads downloads(engine);
    const DownloadResult r = testing::DownloadNow(
        loop, downloads,
        {site.Url("/huge/" + std::to_string(kSize >> 20)), folder.Path().string(), "h"});
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(fs::file_size(folder.Path() / "h"), static_cast<std::uintmax_t>(kSize));
    // ru_maxrss is in KiB: the peak grew by less than 64 MiB.
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024);
}

TEST_F(Engine, FetchGivesTheWholeAnswerWithinItsCap) {
    const HttpResponse missing = Get("/missing", UpdateCheckLimits());
    EXPECT_TRUE(missing.ok) << missing.error;
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "not here");
    // A 20 MiB answer to the update question is refused, not held.
    EXPECT_EQ(Get("/huge/20", UpdateCheckLimits()).error, "响应超过 16777216 字节");

    const auto size = static_cast<std::int64_t>(PictureSite::Picture().size());
    // The cap is on the decoded bytes.
    for (const std::int64_t maxBytes : {size, size - 1}) {
        TransferLimits limits;
        limits.maxBytes = maxBytes;
        const HttpResponse r = Get("/gzip.png", limits);
        EXPECT_EQ(r.ok, maxBytes == size) << maxBytes;
        EXPECT_EQ(r.error, r.ok ? "" : "响应超过 " + std::to_string(maxBytes) + " 字节");
    }
}

}  // namespace
}  // namespace pixquarry
