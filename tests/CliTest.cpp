#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/FolderWalk.h"
#include "tests/support/SavedPicture.h"
#include "tests/support/StaticSite.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHttpServer.h"

namespace {

namespace fs = std::filesystem;
using pixquarry::testing::Contents;
using namespace std::string_literals;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs `command` through the shell: its exit status and standard output.
Result RunShell(const std::string& command) {
    Result r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        r.out.append(buffer, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Runs the real command-line harvester through the shell, after `before`.
Result RunCli(const std::string& args, const std::string& before = "") {
    const fs::path err = fs::temp_directory_path() / ("pq-cli-err-" + std::to_string(::getpid()));
    const std::string command =
        before + std::string(PIXQUARRY_CLI) + " " + args + " 2>" + Quote(err.string());
    Result r = RunShell(command);
    r.err = pixquarry::testing::ReadFile(err);
    fs::remove(err);
    return r;
}

class Cli : public ::testing::Test {
protected:
    std::string Source(const std::string& css) {
        const fs::path path = m_dir / "in.css";
        std::ofstream(path, std::ios::binary) << css;
        return Quote(path.string());
    }
    pixquarry::testing::TempFolder m_temp;
    fs::path m_dir = m_temp.Path();
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(Cli, AHalfGigabyteSheetIsHarvestedInBoundedMemory) {
#ifdef PIXQUARRY_SANITIZED
    GTEST_SKIP() << "too slow under the sanitizers";
#endif
    const fs::path big = m_dir / "big.css";
    std::size_t pictures = 0;
    {
        // A megabyte of rules, a few of them with a picture.
        std::string block;
        for (int i = 0; block.size() < (1u << 20); ++i) {
            const bool picture = i % 10000 < 2;
            pictures += picture ? 1 : 0;
            block += picture ? ".c{background:url(img/p" + std::to_string(i) + ".png)}\n"
                             : ".c" + std::to_string(i) + "{color:red}\n";
        }
        std::ofstream out(big, std::ios::binary);
        for (int i = 0; i < 512; ++i) {
            out << block;
            for (int j = 0; j < 200; ++j)  // 102,400 more links, each once
                out << ".u{background:url(img/u" << i * 200 + j << ".png)}\n";
        }
    }
    const Result r = RunCli("extract --domain '' " + Quote(big.string()));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    EXPECT_EQ(lines.size(), pictures + 512 * 200);
    // Each once, in list order: byte order for these lower-case names.
    EXPECT_TRUE(std::adjacent_find(lines.begin(), lines.end(), std::greater_equal<>()) ==
                lines.end());
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    // In KiB: at most four times the sheet's size.
    EXPECT_LT(children.ru_maxrss, 4 * 512 * 1024);
}

std::string Replaced(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) {
        for (auto at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    return text;
}

// Every path ending in .png or .part is a picture whose bytes tell the path,
// except the missing ones; under /slow/ it comes late. /old/site.css moves to
// /css/site.css. Under /sheet/: trickle.css trickles for 1.5 s, then names
// /slow/a.png; gzip.css is coded unasked; endless.css is a 404 without end.
class CliWeb : public Cli {
protected:
    static std::string Body(const std::string& path) {
        std::string body;
        for (int i = 0; i < 300; ++i)
            body += path;
        return body;
    }

    void SetUp() override {
        auto& routes = m_site.Routes();
        routes.Get(R"(/(.+\.(png|part)))", [this](const httplib::Request& req,
                                                  httplib::Response& res) {
            const int now = ++m_inFlight;
            int seen = m_mostInFlight;
            while (now > seen && !m_mostInFlight.compare_exchange_weak(seen, now)) {
            }
            const std::string path = req.matches[1];
            if (path.rfind("stall/", 0) == 0) {
                // A first kilobyte, then nothing until the test ends.
                res.set_content_provider(
                    100000, "image/png", [this](size_t offset, size_t, httplib::DataSink& sink) {
                        if (offset == 0)
                            return sink.write(std::string(1000, 'p').data(), 1000);
                        while (!m_closing)
                            std::this_thread::sleep_for(std::chrono::milliseconds(10));
                        return false;
                    });
                --m_inFlight;
                return;
            }
            // Long enough for transfers to overlap.
            const bool slow = path.rfind("slow/", 0) == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(slow ? 200 : 20));
            if (path.find("missing") != std::string::npos)
                res.status = 404;
            else
                res.set_content(Body(path), "image/png");
            --m_inFlight;
        });
        routes.Get("/css/site.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(
                ".a{background:url(../pic/a.png)} .b{background:url( '/pic/b.png' )}\n"
                ".c{background:url(\"sub/c.png\")} .d{mask:url(#m)} .e{cursor:url(sub/c.png#x)}\n"
                ".f{background:url(data:image/png;base64,iVBORw0KGgo=)}",
                "text/css");
        });
        routes.Get("/old/site.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/css/site.css");
        });
        routes.Get(R"(/sheet/(\w+)\.css)", [](const httplib::Request& req, httplib::Response& res) {
            const std::string name = req.matches[1];
            if (name == "gzip") {
                res.set_header("Content-Encoding", "gzip");
                return res.set_content(
                    "\x1f\x8b\x08\0\0\0\0\0\x02\x03\x2b\x2d\xca\xd1\x48\xd7\x2b\xc8\x4b\xd7\x04\0\xcb\x82\xd1\x7c\x0a\0\0\0"s,
                    "text/css");
            }
            const bool endless = name == "endless";  // 640 MiB, more than any cap
            res.status = endless ? 404 : 200;
            // Of a type the server does not compress, which would hold pieces back.
            res.set_chunked_content_provider(
                "application/octet-stream",
                [endless, n = 0](size_t, httplib::DataSink& sink) mutable {
                    std::this_thread::sleep_for(std::chrono::milliseconds(endless ? 0 : 100));
                    if (++n > (endless ? 10000 : 15)) {
                        sink.done();
                        return true;
                    }
                    const std::string piece = endless  ? std::string(1 << 16, 'e')
                                              : n < 15 ? "/**/"
                                                       : ".t{background:url(/slow/a.png)}";
                    return sink.write(piece.data(), piece.size());
                });
        });
        // A sheet made by a script, a page without styles and one with a
        // trickling sheet, all labelled HTML.
        routes.Get(R"(/(style\.php|plain\.html|page\.html))", [](const httplib::Request& req,
                                                                 httplib::Response& res) {
            const std::string name = req.matches[1];
            res.set_content(name == "plain.html"  ? "<p>none"
                            : name == "page.html" ? "<link rel=stylesheet href=sheet/trickle.css>"
                                                    "<link rel=stylesheet href=css/site.css>"
                                                  : ".a{background:url(a.png)}",
                            "text/html");
        });
        m_site.Start();
        m_values = {{"{origin}", m_site.Origin()},
                    {"{dir}", Quote((m_dir / "pics").string())},
                    {"{missing}", Quote((m_dir / "missing.css").string())}};
    }

    void TearDown() override {
        m_closing = true;
        Cli::TearDown();
    }
    Result Run(const std::string& args) { return RunCli(Replaced(args, m_values)); }
    std::vector<std::string> PartFiles(const fs::path& folder) {
        std::vector<std::string> parts;
        for (const auto& entry : fs::directory_iterator(folder / ".pixquarry-parts")) {
            if (entry.path().extension() == ".part")
                parts.push_back(entry.path().filename().string());
        }
        std::sort(parts.begin(), parts.end());
        return parts;
    }

    std::atomic<bool> m_closing{false};

    pixquarry::testing::TestHttpServer m_site;
    std::atomic<int> m_inFlight{0};
    std::atomic<int> m_mostInFlight{0};
    std::map<std::string, std::string> m_values;
};

TEST_F(CliWeb, FourJobsGiveLinesInListOrderAndNumberSharedNames) {
    std::string css = "url(missing.png) url(slow/same.png) url(x/same.png)";
    for (int i = 0; i < 9; ++i)
        css += " url(pic/" + std::to_string(i) + ".png)";
    const Result r = Run("download --jobs 4 --dir {dir} --domain {origin}/ " + Source(css));
    EXPECT_GT(m_mostInFlight, 1);
    EXPECT_LE(m_mostInFlight, 4);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "") << "no progress line when stderr is no terminal";
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "下载失败：missing.png\t服务器回答 HTTP 404");
    EXPECT_EQ(lines[10], "下载成功：same.png");
    EXPECT_EQ(lines[11], "下载成功：same(2).png");
    EXPECT_EQ(lines.back(), "下载成功 11 个文件；下载失败 1 个文件。");
    const auto files = Contents(m_dir / "pics");
    EXPECT_EQ(files.size(), 11u);
    // The first link of a name keeps it, although it ended last.
    EXPECT_TRUE(files.at("same.png") == Body("slow/same.png"));
    EXPECT_TRUE(files.at("same(2).png") == Body("x/same.png"));
}

TEST_F(CliWeb, APersonAtATerminalSeesTheProgressLine) {
    const std::string src = Source("url(slow/a.png) url(slow/b.png) url(slow/c.png)");
    // These bytes are no pictures: the check fails each.
    for (const auto& [args, status, summary] :
         {std::tuple<std::string, int, std::string>{
              "download --dir " + Quote((m_dir / "t").string()), 0,
              "下载成功 3 个文件；下载失败 0 个文件。"},
          {"check", 1, "检查 3 个链接：可用 0 个，失败 3 个。"}}) {
        // script(1) gives the command a terminal for all its output.
        const Result r = RunShell("script -qec " +
                                  Quote(std::string(PIXQUARRY_CLI) + " " + args + " --domain " +
                                        m_site.Origin() + "/ " + src) +
                                  " /dev/null");
        const std::string& screen = r.out;
        EXPECT_EQ(r.status, status) << screen;
        EXPECT_NE(screen.find("\r\033[K"), std::string::npos) << "the line is redrawn in place";
        EXPECT_NE(screen.find("/3 "), std::string::npos) << "done of total";
        EXPECT_NE(screen.find(summary), std::string::npos);
    }
}

TEST_F(CliWeb, AKilledRunLeavesNoPictureAndTheNextRunClearsOnlyOrphans) {
    const fs::path pics = m_dir / "pics";
    fs::create_directories(pics / ".pixquarry-parts");
    // The part file of a run still going in the same folder: it holds its lock.
    const fs::path live = pics / ".pixquarry-parts" / "1-1.part";
    const int lock = ::open(live.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    // First a picture whose name looks like a part file's.
    const std::string command = std::string(PIXQUARRY_CLI) + " download --dir " +
                                Quote(pics.string()) + " --domain " + m_site.Origin() + "/ " +
                                Source("url(.pixquarry-1-1.part) url(stall/big.png)") +
                                " >/dev/null 2>&1 & echo $!";
    const int pid = std::stoi(RunShell(command).out);
    for (int i = 0;
         i < 300 && (PartFiles(pics).size() < 2 || !fs::exists(pics / ".pixquarry-1-1.part")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    for (int i = 0; i < 300 && ::kill(pid, 0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(PartFiles(pics).size(), 2u);
    EXPECT_FALSE(fs::exists(pics / "big.png"));

    const Result next = Run("download --dir {dir} --domain {origin}/ " + Source("url(a.png)"));
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_TRUE(fs::exists(pics / "a.png"));
    EXPECT_TRUE(fs::exists(pics / ".pixquarry-1-1.part"));
    EXPECT_EQ(PartFiles(pics), std::vector<std::string>{live.filename().string()});
    ::close(lock);
}

// With the user's folders and the working folder inside the walked one.
TEST_F(CliWeb, AHostileSheetWritesNothingOutsideItsFolder) {
    const fs::path home = m_dir / "home";
    const fs::path chosen = home / "Pictures" / "chosen";
    fs::create_directories(chosen);
    fs::create_directories(home / "cwd");
    std::ofstream(chosen / "abs.png") << "an older picture";
    const std::string src = Source(pixquarry::testing::kHostileSheet);
    const auto before = pixquarry::testing::Snapshot(m_dir);
    RunShell("cd " + Quote(home / "cwd") + " && HOME=" + Quote(home) + " TMPDIR=" + Quote(home) +
             " " + PIXQUARRY_CLI + " download --dir " + Quote(chosen) + " --domain " +
             m_site.Origin() + "/d/ " + src + " 2>/dev/null");
    EXPECT_TRUE(pixquarry::testing::ReadFile(chosen / "abs.png") == Body("d//tmp/abs.png"));
    const std::string inside = chosen.string() + "/";
    for (const std::string& path :
         pixquarry::testing::Changes(before, pixquarry::testing::Snapshot(m_dir)))
        EXPECT_EQ(path.rfind(inside, 0), 0u) << path;
}

// The plain reason is a row of StatusAndMessages.
TEST_F(CliWeb, VerboseBeforeOrAfterTheCommandAddsTheTransferLayersOwnWords) {
    for (const std::string args : {"--verbose download ", "download --verbose "}) {
        const Result r =
            Run(args + "--dir {dir} --domain http://127.0.0.1:1/ " + Source("url(a.png)"));
        EXPECT_EQ(Lines(r.out).at(0).rfind("下载失败：a.png\t无法连接到服务器 127.0.0.1:1（", 0),
                  0u)
            << args << r.out << r.err;
    }
}

TEST_F(CliWeb, StatusAndMessages) {
    struct Case {
        const char* name;
        std::string args;  // {origin}, {dir}, {missing} and {src} are filled in
        std::string css;   // the content of {src}
        int status;
        std::string out;  // exact
        std::string err;  // a part of it
    };
    const auto summary = [](int ok, int failed) {
        return "下载成功 " + std::to_string(ok) + " 个文件；下载失败 " + std::to_string(failed) +
               " 个文件。\n";
    };
    const std::string twice = "url(b.png) url('../A.png') url(b.png) url(#x)";
    const Case cases[] = {
        {"list order, each link once", "extract --domain http://h/ {src}", twice, 0,
         "http://h/A.png\nhttp://h/b.png\n", ""},
        {"no domain without a site", "extract {src}", twice, 0, "A.png\nb.png\n", ""},
        // Unlike a resolved link, which comes in one form.
        {"the domain kept as typed", "extract --domain http://EXAMPLE.COM:80/ {src}",
         "url(%e4%b8%ad.png) url(x/%2e/b.png)", 0,
         "http://EXAMPLE.COM:80/%e4%b8%ad.png\nhttp://EXAMPLE.COM:80/x/%2e/b.png\n", ""},
        // The backslash became a slash; the tab and the line end stay in the link.
        {"json escapes the items", "extract --json --domain= {src}",
         "url(\"a\\\"\tq.png\") url(x\n.png)", 0,
         "{\"mode\": 2, \"items\": [\"a/\\tq.png\", \"x\\n.png\"]}\n", ""},
        {"both quotes: mode 2, as the window", "extract --json --domain= {src}",
         "url(\"a.png\") url('b.png')", 0, "{\"mode\": 2, \"items\": [\"a.png\", \"b.png\"]}\n",
         ""},
        {"nothing found is mode 3", "extract --json {src}", "nothing here", 0,
         "{\"mode\": 3, \"items\": []}\n", ""},
        {"no subcommand", "", "", 2, "", "subcommand"},
        {"no source", "extract", "", 2, "", "SOURCE is required"},
        {"an unknown option", "extract --frobnicate x", "", 2, "", "--frobnicate"},
        {"two sources", "extract a b", "", 2, "", "expected: b"},
        {"--domain without its text", "extract --domain", "", 2, "", "--domain"},
        {"an empty source", "extract ''", "", 2, "", "SOURCE is empty"},
        {"resolved after a redirect", "extract --resolve {origin}/old/site.css", "", 0,
         "{origin}/css/sub/c.png\n{origin}/pic/a.png\n{origin}/pic/b.png\n", ""},
        {"a sheet labelled HTML", "extract --resolve {origin}/style.php", "", 0, "{origin}/a.png\n",
         ""},
        {"a page without styles", "extract --resolve {origin}/plain.html", "", 0, "",
         "pixquarry-cli: 网页中没有找到样式表或图片链接\n"},
        {"resolved against --base", "extract --json --resolve --base http://h/css/ {src}",
         "url(a.png) url(\"../b.png\") url(#m)", 0,
         "{\"mode\": 2, \"items\": [\"http://h/b.png\", \"http://h/css/a.png\"]}\n", ""},
        {"nothing to download", "download --dir {dir} {src}", "none here", 0, summary(0, 0), ""},
        {"a transfer that times out", "download --timeout 1 --dir {dir} --domain {origin}/ {src}",
         "url(stall/a.png)", 1, "下载失败：a.png\t超时\n" + summary(0, 1), ""},
        // A name from the page cannot redraw the terminal or fake the tab before the reason.
        {"control characters shown as escapes", "download --dir {dir} --domain {origin}/ {src}",
         "url(\"\x1b[2K\r\x1b[32mfake.png\") url('c1\xc2\x9b.png') url('tab\t.png')", 1,
         "下载失败：\\x1b[2K\\r\\x1b[32mfake.png\t不是完整的网址\n下载成功：c1\\u009b.png\n"
         "下载失败：tab\\t.png\t不是完整的网址\n" +
             summary(1, 2),
         ""},
        {"and on stderr", "extract {dir}/'\x1b[2Kgone.css'", "", 1, "",
         "\\x1b[2Kgone.css”：文件不存在"},
        {"the version", "--version", "", 0, "pixquarry-cli " PIXQUARRY_VERSION "\n", ""},
        {"a trickling source", "extract --timeout 1 {origin}/sheet/trickle.css", "", 1, "",
         "无法下载网页“{origin}/sheet/trickle.css”：超时"},
        {"download --timeout covers the source too",
         "download --timeout 1 --resolve --dir {dir} {origin}/sheet/trickle.css", "", 1, "",
         "无法下载网页“{origin}/sheet/trickle.css”：超时"},
        {"download --timeout covers the sheets of a page",
         "download --timeout 1 --resolve --dir {dir} {origin}/page.html", "", 1,
         "下载成功：c.png\n下载成功：a.png\n下载成功：b.png\n" + summary(3, 0),
         "无法读取样式表“{origin}/sheet/trickle.css”：超时"},
        {"a generous --timeout, in seconds",
         "download --timeout 5 --resolve --dir {dir} {origin}/sheet/trickle.css", "", 0,
         "下载成功：a.png\n" + summary(1, 0), ""},
        {"an endless error page", "extract {origin}/sheet/endless.css", "", 1, "",
         "服务器回答 HTTP 404"},
        {"a gzip sheet sent unasked", "extract --resolve {origin}/sheet/gzip.css", "", 0,
         "{origin}/sheet/g.png\n", ""},
        {"a missing source", "download --dir {dir} {missing}", "", 1, "", "文件不存在"},
        {"--dir made with its parents", "download --dir {dir}/no/such --domain {origin}/ {src}",
         "url(a.png)", 0, "下载成功：a.png\n" + summary(1, 0), ""},
        {"a file as --dir", "download --dir {src} {src}", "url(a.png)", 1, "", "已有同名的文件"},
        {"download without --dir", "download {src}", "", 2, "", "--dir"},
        {"no jobs", "download --jobs 0 --dir {dir} {src}", "", 2, "", "--jobs"},
        {"--resolve on a file needs --base", "extract --resolve {src}", "", 2, "", "--base"},
        {"--base must be an address", "extract --resolve --base css/ {src}", "", 2, "", "--base"},
        {"--domain with --resolve", "extract --resolve --domain x {src}", "", 2, "", "--domain"},
        {"an unknown type", "check --type png,jpg,psd {src}", "", 2, "", "'psd'"},
        {"a size without its height", "download --min-size 100 --dir {dir} {src}", "", 2, "",
         "--min-size"},
        {"check --jobs 65", "check --jobs 65 {src}", "", 2, "", "--jobs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_values["{src}"] = Source(c.css);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, Replaced(c.out, m_values));
        EXPECT_NE(r.err.find(Replaced(c.err, m_values)), std::string::npos) << r.err;
    }
    Result r = RunCli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("pixquarry-cli extract [--domain TEXT] [--json] [--timeout S] SOURCE"),
              std::string::npos);
    r = RunCli("download --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--jobs"), std::string::npos);
}

// A web page with --resolve: its stylesheets are followed, and one that
// cannot be read is named on stderr.
TEST_F(Cli, APageIsFollowedAndASheetItCannotReadIsNamed) {
    pixquarry::testing::StaticSite site;
    site.Start();
    const std::string o = site.Origin(), page = o + "/page.html";
    site.Put("/page.html",
             "<link rel=stylesheet href=css/a.css>\n<link rel=stylesheet href=gone.css>\n"
             "<p style=\"background:url(p.png)\">",
             "text/html");
    site.Put("/css/a.css", "\n.a{background:url(../pic.png)}");
    const std::string missing =
        "pixquarry-cli: 无法读取样式表“" + o + "/gone.css”：服务器回答 HTTP 404\n";
    Result r = RunCli("extract --resolve --json " + page);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, missing);
    EXPECT_EQ(r.out,
              "{\"mode\": 0, \"items\": [{\"from\":[{\"line\":3,\"sheet\":\"style=\\\"\\\"\"}],"
              "\"url\":\"" +
                  o + "/p.png\"}, {\"from\":[{\"line\":2,\"sheet\":\"" + o +
                  "/css/a.css\"}],\"url\":\"" + o + "/pic.png\"}]}\n");

    // The limits say what they left unread; a page whose tree would grow
    // past the parser's budget is refused (formatting elements left open are
    // made again in every paragraph).
    site.Put("/deep.html", "<link rel=stylesheet href=i0.css>", "text/html");
    for (int i = 0; i < 9; ++i)
        site.Put("/i" + std::to_string(i) + ".css",
                 "@import 'i" + std::to_string(i + 1) + ".css';");
    std::string bomb = "<p>";
    for (int i = 0; i < 500; ++i)
        bomb += "<b id=" + std::to_string(i) + ">";
    for (int i = 0; i < 10000; ++i)
        bomb += "<p>x";
    site.Put("/bomb.html", bomb, "text/html");
    // Within the budget, but needing more memory than the process may have.
    std::string big;
    for (int i = 0; i < (1 << 20); ++i)
        big += "<p>x";
    site.Put("/big.html", big, "text/html");
    struct Row {
        std::string path, err;
        int kib;  // ulimit -v
    };
    for (const Row& row :
         {Row{"/deep.html", "已达到 8 层 @import 的上限，另有 1 个样式表未读取", 3000000},
          {"/bomb.html",
           "无法读取网页“" + o + "/bomb.html”：网页结构过于复杂，解析需要超过 512 MiB 内存",
           3000000},
          {"/big.html", "无法读取网页“" + o + "/big.html”：内存不足", 200000}}) {
        // Where the sanitizers allow it, a fault cannot take the machine's memory.
#ifdef PIXQUARRY_SANITIZED
        if (row.kib < 3000000)
            continue;  // the sanitizers reserve more than that
        r = RunCli("extract --resolve " + o + row.path);
#else
        r = RunCli("extract --resolve " + o + row.path,
                   "ulimit -v " + std::to_string(row.kib) + "; ");
#endif
        EXPECT_EQ(r.status, 1) << "no signal";
        EXPECT_EQ(r.err, "pixquarry-cli: " + row.err + "\n");
    }

    // A check names the sheet in its JSON too, and where each link was written.
    r = RunCli("check --json --resolve " + page);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, missing);
    const nlohmann::json checked = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_EQ(checked["sheets"],
              nlohmann::json::parse("[{\"url\": \"" + o +
                                    "/gone.css\", \"reason\": \"服务器回答 HTTP 404\"}]"));
    EXPECT_EQ(checked["items"][1]["from"][0]["sheet"], o + "/css/a.css");

    // Not followed: the page's own text, as any other source.
    r = RunCli("extract --resolve --no-follow " + page);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, o + "/p.png\n");
}

std::string ReadKept(const std::string& name) {
    return pixquarry::testing::ReadFile(PIXQUARRY_TEST_DATA "/pictures/" + name);
}

std::string Saved(const char* type, int width, int height) {
    return pixquarry::testing::SavedPicture(type, width, height);
}

// A JPEG of 9 × 4 whose size comes after `kib` KiB of EXIF.
std::string LateJpeg(int kib) {
    std::string jpeg = Saved("jpeg", 9, 4);
    for (int i = 0; i < kib / 50; ++i)
        jpeg.insert(2, std::string("\xFF\xE1\xC8\x00", 4) + "Exif" + std::string(51194, '\0'));
    return jpeg;
}

// Answers every request with the body for its path as a 200 whatever its
// Range says, in 4 KiB pieces through a small send buffer, and counts the
// body bytes the client's side took in.
class DeafToRange final {
public:
    explicit DeafToRange(std::map<std::string, std::string> bodies) : m_bodies(std::move(bodies)) {
        for (const auto& [path, body] : m_bodies)
            m_sent[path] = 0;
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_listen, 8);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_origin = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        m_thread = std::thread([this] { Serve(); });
    }
    ~DeafToRange() {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    std::string Url(const std::string& path) const { return m_origin + path; }
    std::int64_t Sent(const std::string& path) const { return m_sent.at(path); }

private:
    void Serve() {
        for (pollfd ready{m_listen, POLLIN, 0}; !m_stop;) {
            const int fd = ::poll(&ready, 1, 20) > 0 ? ::accept(m_listen, nullptr, nullptr) : -1;
            if (fd < 0)
                continue;
            const int small = 4096;
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
            std::string request(4096, '\0');
            request.resize(static_cast<std::size_t>(std::max<ssize_t>(
                0, ::recv(fd, request.data(), request.size(), 0))));  // one piece on loopback
            const std::string path = request.substr(4, request.find(' ', 4) - 4);
            const std::string& body = m_bodies[path];
            const std::string head =
                "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n\r\n";
            ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
            for (std::size_t at = 0; at < body.size();) {
                const ssize_t n =
                    ::send(fd, body.data() + at, std::min<std::size_t>(4096, body.size() - at),
                           MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                at += static_cast<std::size_t>(n);
                m_sent[path] += n;
            }
            ::close(fd);
        }
    }
    std::map<std::string, std::string> m_bodies;
    std::string m_origin;
    int m_listen = -1;
    std::map<std::string, std::atomic<std::int64_t>> m_sent;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST_F(Cli, CheckTellsEachLinksTypeAndSizeFromItsFirstBytes) {
    pixquarry::testing::StaticSite site(std::chrono::milliseconds(20));
    site.Start();
    const std::string o = site.Origin();
    const std::string bigPng = Saved("png", 300, 200) + std::string(2 << 20, '\0');
    DeafToRange deaf({{"/big.png", bigPng}, {"/late.jpg", LateJpeg(300)}});
    const std::string png = Saved("png", 200, 200), late200 = LateJpeg(200),
                      late300 = LateJpeg(300);
    // The PNG signature and an IHDR of 100,000 × 100,000 with its CRC, an IDAT's start.
    const std::string bomb(
        "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x06\0\0\0\xa8R\x0b\xc8"
        "\0\0\0\0IDAT",
        41);
    const struct {
        const char* name;
        std::string link, body;  // a path on the site is served the body; "" for none
        int status;              // 0: none came
        const char* reason;      // "" when usable
        const char* type;        // "" when unknown
        int width, height;       // 0 when unknown
        std::int64_t bytes;      // -1 when unknown
    } rows[] = {
        {"png", "/a.png", png, 206, "", "png", 200, 200, std::int64_t(png.size())},
        {"jpeg", "/a.jpeg", Saved("jpeg", 9, 4), 206, "", "jpeg", 9, 4, -2},
        {"bmp", "/a.bmp", Saved("bmp", 3, 8), 206, "", "bmp", 3, 8, -2},
        {"ico", "/a.ico", Saved("ico", 16, 12), 206, "", "ico", 16, 12, -2},
        {"tiff", "/a.tiff", Saved("tiff", 5, 6), 206, "", "tiff", 5, 6, -2},
        {"gif", "/a.gif", ReadKept("flat-11x7.gif"), 206, "", "gif", 11, 7, 40},
        {"webp", "/a.webp", ReadKept("flat-13x6.webp"), 206, "", "webp", 13, 6, 38},
        {"avif", "/a.avif", ReadKept("flat-6x10.avif"), 206, "", "avif", 6, 10, 314},
        {"svg", "/a.svg", "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 40 25'/>", 206, "",
         "svg", 40, 25, -2},
        {"404", "/gone.png", "", 404, "服务器回答 HTTP 404", "", 0, 0, -1},
        {"500", "/e500.png", "<h1>oops", 500, "服务器回答 HTTP 500", "", 0, 0, -1},
        {"no server", "http://127.0.0.1:1/x.png", "", 0, "无法连接到服务器 127.0.0.1:1", "", 0, 0,
         -1},
        {"a soft 404", "/soft.png", "<!DOCTYPE html><title>Not Found</title>", 206,
         "不是图片（服务器返回了网页）", "", 0, 0, -2},
        {"a redirect", "/moved.png", "", 206, "", "png", 200, 200, std::int64_t(png.size())},
        {"a cut header", "/cut.png", png.substr(0, 20), 206, "无法识别的图片", "", 0, 0, 20},
        {"an empty range", "/empty.gif", "", 206, "服务器没有返回内容", "", 0, 0, 0},
        {"a 100,000 × 100,000 claim", "/bomb.png", bomb, 206, "", "png", 100000, 100000, 41},
        {"PNG bytes behind .jpg", "/shown.jpg", png, 206, "", "png", 200, 200, -2},
        {"2 MiB: Content-Range's total", "/big.png", bigPng, 206, "", "png", 300, 200, -2},
        {"the size after 200 KiB: a second range", "/late200.jpg", late200, 206, "", "jpeg", 9, 4,
         -2},
        {"the size past 256 KiB: unknown", "/late300.jpg", late300, 206, "", "jpeg", 0, 0, -2},
        {"Range ignored: cut off", deaf.Url("/big.png"), "", 200, "", "png", 300, 200,
         std::int64_t(bigPng.size())},
        {"Range ignored, size past 256 KiB", deaf.Url("/late.jpg"), "", 200, "", "jpeg", 0, 0,
         std::int64_t(late300.size())},
    };
    std::string css;
    for (const auto& row : rows) {
        if (row.link.starts_with("/") && !row.body.empty())
            site.Put(row.link, row.body, "image/x", row.name == "500"s ? 500 : 200);
        css += "url('" + (row.link.starts_with("/") ? o + row.link : row.link) + "')\n";
    }
    site.Put("/moved.png", "/a.png", "redirect");
    site.Put("/empty.gif", "", "image/gif");
    const std::string src = Source(css);
    Result r = RunCli("check --json --jobs 3 --domain '' " + src);
    EXPECT_EQ(r.status, 1) << r.err;
    const nlohmann::json items = nlohmann::json::parse(r.out, nullptr, false)["items"];
    ASSERT_TRUE(items.is_array()) << r.out;
    std::map<std::string, nlohmann::json> byUrl;
    for (const nlohmann::json& item : items)
        byUrl[item["url"]] = item;
    const auto orNull = [](auto value, bool known) {
        return known ? nlohmann::json(value) : nlohmann::json();
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const nlohmann::json item = byUrl[row.link.starts_with("/") ? o + row.link : row.link];
        const std::int64_t bytes = row.bytes == -2 ? std::int64_t(row.body.size()) : row.bytes;
        EXPECT_EQ(item["ok"], *row.reason == '\0');
        EXPECT_EQ(item["status"], orNull(row.status, row.status != 0));
        EXPECT_EQ(item.value("reason", ""), row.reason);
        EXPECT_EQ(item["type"], orNull(row.type, *row.type != '\0'));
        EXPECT_EQ(item["width"], orNull(row.width, row.width != 0));
        EXPECT_EQ(item["height"], orNull(row.height, row.height != 0));
        EXPECT_EQ(item["bytes"], orNull(bytes, bytes >= 0));
    }
    // Range ignored, 2 MiB: the transfer is ended after what told the size.
    EXPECT_LE(deaf.Sent("/big.png"), 256 * 1024);
    EXPECT_LE(site.MostAtOnce(), 3);

    r = RunCli("check --domain '' " + src);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), std::size(rows) + 1) << r.out;
    const auto line = [&lines, &o](const std::string& path) {
        for (const std::string& l : lines) {
            if (l.find("\t" + o + path) != std::string::npos)
                return l;
        }
        return std::string();
    };
    const std::string pngColumns = "可用\tPNG\t200×200\t" + std::to_string(png.size()) + " B\t" + o;
    EXPECT_EQ(line("/a.png"), pngColumns + "/a.png");
    EXPECT_EQ(line("/gone.png"), "失败\t-\t-\t-\t" + o + "/gone.png\t服务器回答 HTTP 404");
    EXPECT_EQ(line("/shown.jpg"), pngColumns + "/shown.jpg\t（内容为 PNG）");
    EXPECT_EQ(line("/big.png"), "可用\tPNG\t300×200\t2.0 MB\t" + o + "/big.png");
    EXPECT_EQ(lines.back(), "检查 23 个链接：可用 17 个，失败 6 个。");
}

TEST_F(Cli, TypeAndSizeFiltersKeepOnlyWhatMatches) {
    pixquarry::testing::StaticSite site;
    site.Start();
    site.Put("/a.png", Saved("png", 200, 200), "image/png");
    site.Put("/b.gif", ReadKept("flat-11x7.gif"), "image/gif");
    const std::string src = Source("url(a.png) url(b.gif) url(gone.png)");
    const std::string gone = "下载失败：gone.png\t服务器回答 HTTP 404\n";
    const struct {
        std::string args, out;
    } rows[] = {
        {"--min-size 100x100", "下载成功：a.png\n已跳过：b.gif（11×7）\n" + gone +
                                   "下载成功 1 个文件；下载失败 1 个文件；跳过 1 个。\n"},
        {"--type png,SVG", "下载成功：a.png\n已跳过：b.gif（GIF）\n" + gone +
                               "下载成功 1 个文件；下载失败 1 个文件；跳过 1 个。\n"},
        {"--type gif --min-size 20×20", "已跳过：a.png（PNG）\n已跳过：b.gif（11×7）\n" + gone +
                                            "下载成功 0 个文件；下载失败 1 个文件；跳过 2 个。\n"},
        {"--min-size 1x1",
         "下载成功：a.png\n下载成功：b.gif\n" + gone + "下载成功 2 个文件；下载失败 1 个文件。\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        fs::remove_all(m_dir / "pics");
        const Result r =
            RunCli("download --jobs 2 " + row.args + " --dir " + Quote((m_dir / "pics").string()) +
                   " --domain " + site.Origin() + "/ " + src);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.out, row.out);
        for (const char* name : {"a.png", "b.gif"})
            EXPECT_EQ(fs::exists(m_dir / "pics" / name),
                      row.out.find("下载成功："s + name) != std::string::npos);
    }
    const Result r = RunCli("check --min-size 100x100 --domain " + site.Origin() + "/ " + src);
    EXPECT_EQ(Lines(r.out).size(), 3u) << "a.png, gone.png and the summary: " << r.out;
    EXPECT_EQ(Lines(r.out).back(), "检查 2 个链接：可用 1 个，失败 1 个。");
}

}  // namespace
