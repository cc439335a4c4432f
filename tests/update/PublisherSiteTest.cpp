#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempFolder.h"
#include "update/UpdateReply.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The built site as a child process; its stderr goes to a file.
class Site final {
public:
    Site(std::vector<std::string> args, const fs::path& log) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        args.insert(args.begin(), PIXQUARRY_PUBLISHER_SITE);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT, 0644);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        std::string line;  // "listening on http://127.0.0.1:PORT"
        for (char c = 0; ::read(out[0], &c, 1) == 1 && c != '\n';)
            line += c;
        ::close(out[0]);
        if (const auto at = line.find("http://"); at != std::string::npos)
            m_origin = line.substr(at);
    }
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;
    ~Site() { Stop(); }

    const std::string& Origin() const { return m_origin; }
    httplib::Client Client() const { return httplib::Client(m_origin); }

    // The exit status after SIGTERM; -1 when the site is still up 3 s later.
    int Stop() {
        if (m_pid <= 0)
            return m_status;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        pid_t done = 0;
        for (int i = 0; i < 300 && (done = ::waitpid(m_pid, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        } else if (WIFEXITED(status)) {
            m_status = WEXITSTATUS(status);
        }
        m_pid = 0;
        return m_status;
    }

private:
    pid_t m_pid = 0;
    int m_status = -1;
    std::string m_origin;
};

class PublisherSite : public ::testing::Test {
protected:
    testing::TempFolder m_temp;
    const fs::path& m_folder = m_temp.Path();
};

TEST_F(PublisherSite, ServesItsRoutesAndLogsThem) {
    std::ofstream(m_folder / "updater") << "#!/bin/sh\necho new\n";
    Site site({"--reply", "101-KWKW-{ORIGIN}/updater/Update.exe", "--updater",
               (m_folder / "updater").string(), "--delay-ms", "200"},
              m_folder / "log");
    struct Route {
        std::string path;
        int status;
        std::string part;  // of the body
    };
    const std::vector<Route> routes = {
        {"/FileList/mysoft/Pixquarry/?rinfo=update", 200,
         "101-KWKW-" + site.Origin() + "/updater/Update.exe"},
        {"/FileList/mysoft/Pixquarry/?rinfo=other", 404, ""},
        {"/filelist/mysoft/pixquarry/?rinfo=update", 404, ""},
        {"/updater/Update.exe", 200, "#!/bin/sh\necho new\n"},
        {"/filelist/info/?softname=pixquarry&w=5415&h=1455", 200, "<a href=\"/\""},
        {"/", 200, "Pixquarry官方网站"},
        {"/filelist/mysoft/pixquarry/download", 200, "下载Pixquarry"},
        {"/filelist/mysoft/pixquarry/other", 404, ""},
    };
    httplib::Client client = site.Client();
    for (const Route& r : routes) {
        const auto start = std::chrono::steady_clock::now();
        const httplib::Result res = client.Get(r.path.c_str());
        ASSERT_TRUE(res) << r.path;
        EXPECT_EQ(res->status, r.status) << r.path;
        EXPECT_NE(res->body.find(r.part), std::string::npos) << r.path;
        const bool delayed =
            std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(200);
        EXPECT_EQ(delayed, r.status == 200 && r.path.starts_with("/FileList")) << r.path;
    }
    EXPECT_EQ(site.Stop(), 0);
    EXPECT_NE(Slurp(m_folder / "log").find("GET /FileList/mysoft/Pixquarry/?rinfo=update"),
              std::string::npos);
}

// The default reply offers the current version; its updater leaves a trace.
TEST_F(PublisherSite, DefaultsAnnounceNothingNew) {
    Site site({}, m_folder / "log");
    httplib::Client client = site.Client();
    const httplib::Result reply = client.Get("/FileList/mysoft/Pixquarry/?rinfo=update");
    ASSERT_TRUE(reply);
    const std::vector<std::string> fields = SplitReply(reply->body);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(ReadVersionField(fields[0]), 100);
    EXPECT_EQ(fields[3], site.Origin() + "/updater/Update.exe");

    const httplib::Result updater = client.Get("/updater/Update.exe");
    ASSERT_TRUE(updater);
    std::ofstream(m_folder / "Update.exe") << updater->body;
    std::ofstream(m_folder / "Update.ini") << "[UpdateSet]\r\nVer=101\r\n";
    const std::string run = "cd '" + m_folder.string() + "' && sh ./Update.exe";
    ASSERT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(Slurp(m_folder / "updater.log"),
              "updater ran in " + m_folder.string() + "\n[UpdateSet]\r\nVer=101\r\n");
}

TEST_F(PublisherSite, HangingReplyStillLetsItStop) {
    Site site({"--never-answer", "--no-updater"}, m_folder / "log");
    httplib::Client client = site.Client();
    client.set_read_timeout(std::chrono::milliseconds(500));
    EXPECT_FALSE(client.Get("/FileList/mysoft/Pixquarry/?rinfo=update"));
    const httplib::Result updater = site.Client().Get("/updater/Update.exe");
    ASSERT_TRUE(updater);
    EXPECT_EQ(updater->status, 404);
    EXPECT_EQ(site.Stop(), 0);
}

}  // namespace
}  // namespace pixquarry
