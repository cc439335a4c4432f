#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/curl/CurlDownloader.h"
#include "tests/curl/PictureSite.h"
#include "tests/support/TempFolder.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;
using testing::PictureSite;
using testing::TempFolder;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

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

}  // namespace
}  // namespace pixquarry
