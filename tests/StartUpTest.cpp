// Start-up and the update hand-off against the stand-in publisher's site on
// 127.0.0.1, with the boxes and the process start faked.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/MainF1.h"
#include "platform/posix/PosixProcessStarter.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/FolderWalk.h"
#include "tests/support/StandInSite.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/Transfers.h"
#include "tests/support/Unprivileged.h"
#include "web/PublisherSite.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;
using testing::Contents;
using testing::ReadFile;

constexpr const char* kNetworkTrouble =
    "您的网络连接可能存在问题，软件将无法得到更新支持！请检查网络。";

using testing::RecordingClient;

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        m_seams.program = {m_dir.Path().string(), "pixquarry"};
        m_seams.download = &m_net.downloader;
        m_seams.starter = &m_processes;
    }

    // Starts the site with `args` and a client that records what it asks.
    void StartSite(const std::vector<std::string>& args,
                   TransferLimits limits = UpdateCheckLimits()) {
        m_site = std::make_unique<testing::StandInSite>(args);
        m_http = std::make_unique<RecordingClient>(m_net.engine, limits);
        m_seams.http = m_http.get();
    }
    // Runs Form_Load with that site as the publisher's, or with no site when
    // `args` is empty.
    // True when the updater took over.
    bool Load(const std::vector<std::string>& args, TransferLimits limits = UpdateCheckLimits()) {
        StartSite(args, limits);
        m_window = std::make_unique<MainF1>(m_seams.Make(), args.empty() ? "" : Origin());
        m_window->Form_Load();
        testing::Settle(m_net.loop, *m_window);
        return m_window->HandedOff();
    }
    const std::string& Origin() const { return m_site->Origin(); }
    static std::string Reply(
        const std::string& version, int fields = 5,
        const std::string& last = "D:\\\xd0\xc2\xb0\xe6") {  // 新版 in code page 936
        const std::vector<std::string> all = {version, "Pixquarry", "2.00",
                                              "{ORIGIN}/updater/Update.exe", last};
        std::string reply;
        for (int i = 0; i < fields; ++i)
            reply += (i ? "-KWKW-" : "") + all[static_cast<std::size_t>(i)];
        return reply;
    }

    testing::TempFolder m_dir;
    testing::RealTransfers m_net;
    PosixProcessStarter m_processes;
    testing::FakeSeams m_seams;
    std::unique_ptr<testing::StandInSite> m_site;
    std::unique_ptr<RecordingClient> m_http;
    std::unique_ptr<MainF1> m_window;
};

TEST_F(StartUp, EndingsThatLetTheWindowOpen) {
    struct Case {
        const char* name;
        std::vector<std::string> site;
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases = {
        {"the same version", {"--reply", Reply("100")}, {}},
        {"an older version", {"--reply", Reply("99.5")}, {}},
        {"a newer version without a separator", {"--reply", "101"}, {}},
        {"an incomplete announcement", {"--reply", Reply("101", 2)}, {"软件升级失败！"}},
        {"an updater that cannot be had", {"--reply", Reply("101"), "--no-updater"}, {}},
    };
    for (const Case& c : cases) {
        m_seams.box.shown.clear();
        EXPECT_EQ(Load(c.site), false) << c.name;
        EXPECT_EQ(m_seams.box.shown, c.boxes) << c.name;
        EXPECT_EQ(m_window->LogShow.Text(), "程序启动完成。") << c.name;
        EXPECT_EQ(m_window->AD1.LocationURL(), BannerAddress(Origin())) << c.name;
        EXPECT_EQ(m_http->asked, std::vector<std::string>{UpdateAddress(Origin())}) << c.name;
        EXPECT_FALSE(fs::exists(m_dir.Path() / "Update.exe")) << c.name;
        EXPECT_FALSE(fs::exists(m_dir.Path() / "Update.ini")) << c.name;
    }
}

TEST_F(StartUp, ANewerVersionHandsOverToTheUpdater) {
    const fs::path dir = m_dir.Path();
    fs::create_directories(dir / "updatetmpfiles");
    std::ofstream(dir / "updatetmpfiles" / "work.txt") << "the updater's";
    const std::string ini = (dir / "Update.ini").string();
    struct Case {
        const char* name;
        std::string reply;
        bool handedOff;
        std::vector<std::string> boxes;
    };
    const std::string handOff = "软件有更新，需要立即升级！";
    const std::vector<Case> cases = {
        {"a reply without a line end", Reply("0101"), true, {handOff}},
        {"a reply closed by CR LF", Reply("0101") + "\r\n", true, {handOff}},
        {"a value the profile file cannot hold",
         Reply("0101", 5, "D:\\a\r\nb"),
         false,
         {"无法写入文件“" + ini + "”：值不能含有换行"}},
    };
    const fs::path log = dir / "updater.log";
    for (const Case& c : cases) {
        std::ofstream(ini) << "[Other]\r\nKey=kept?\r\n";
        fs::remove(log);
        m_seams.box.shown.clear();
        EXPECT_EQ(Load({"--reply", c.reply}), c.handedOff ? true : false) << c.name;
        EXPECT_EQ(m_seams.box.shown, c.boxes) << c.name;
        EXPECT_EQ(m_window->AD1.LocationURL(), c.handedOff ? "" : BannerAddress(Origin()))
            << c.name << ": no banner when the program ends";
        if (!c.handedOff)
            continue;
        // Code page 936, CR LF, exactly six lines.
        EXPECT_EQ(ReadFile(ini), "[UpdateSet]\r\nVer=101\r\nAppPath=" + dir.string() +
                                     "/\r\nAppName=pixquarry\r\nTempPath=updatetmpfiles\r\n"
                                     "NewSoftPath=D:\\\xd0\xc2\xb0\xe6\r\n")
            << c.name;
        // The stand-in's updater logs where it ran and the hand-off file it found.
        for (int i = 0; i < 100 && ReadFile(log).find("NewSoftPath") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_NE(ReadFile(log).find("updater ran in " + dir.string() + "\n[UpdateSet]"),
                  std::string::npos)
            << c.name << ReadFile(log);
    }
    EXPECT_EQ(ReadFile(dir / "updatetmpfiles" / "work.txt"), "the updater's");
}

TEST_F(StartUp, WithoutASiteOrAProgramFolderOnlyTheUpdateIsLeftOut) {
    struct Case {
        const char* name;
        std::string folder;
        bool site;
        Colour colour;
        std::string status, appPath;
    };
    const Colour blue = Colour::Rgb(0, 0, 255);
    const std::vector<Case> cases = {
        {"a build without a site", m_dir.Path().string(), false, blue, "程序启动完成。",
         m_dir.Path().string() + "/"},
        {"a program at the root gets one slash", "/", false, blue, "程序启动完成。", "/"},
        {"an unknown program folder", "", true, Colour::Rgb(255, 0, 0),
         "无法确定程序所在的文件夹：不能自动更新，也不能使用默认下载目录。", ""},
    };
    for (const Case& c : cases) {
        m_seams.program.folder = c.folder;
        const std::vector<std::string> site = {"--reply", Reply("101")};
        EXPECT_EQ(Load(c.site ? site : std::vector<std::string>{}), false) << c.name;
        EXPECT_TRUE(m_http->asked.empty()) << c.name;
        EXPECT_TRUE(m_seams.box.shown.empty()) << c.name;
        EXPECT_EQ(m_window->LogShow.Text(), c.status) << c.name;
        EXPECT_EQ(m_window->LogShow.ForeColor(), c.colour) << c.name;
        EXPECT_EQ(m_window->GetAppPath, c.appPath) << c.name;
        EXPECT_EQ(m_window->AD1.LocationURL(), c.site ? BannerAddress(Origin()) : "") << c.name;
        EXPECT_EQ(m_window->Label6.Visible(), c.site) << c.name;
        EXPECT_EQ(m_window->NewSoftInfo.Visible(), c.site) << c.name;
        EXPECT_EQ(m_window->FileS1.Enabled(), !c.folder.empty()) << c.name;
        EXPECT_FALSE(fs::exists("/Update.exe")) << c.name;
    }
}

TEST_F(StartUp, APackagedCopyOnlyAnnouncesANewerVersion) {
    struct Case {
        const char* name;
        std::string reply;
        std::string status;
    };
    const std::vector<Case> cases = {
        {"a full announcement", Reply("101"), "发现新版本 1.01，请通过软件包管理器升级。"},
        {"without the updater's fields", Reply("120", 2),
         "发现新版本 1.20，请通过软件包管理器升级。"},
    };
    m_seams.program.selfUpdate = false;
    m_seams.starter = &m_seams.processes;
    for (const Case& c : cases) {
        EXPECT_EQ(Load({"--reply", c.reply}), false) << c.name;
        EXPECT_EQ(m_window->LogShow.Text(), c.status) << c.name;
        EXPECT_EQ(m_window->LogShow.ForeColor(), Colour::Rgb(0, 0, 255)) << c.name;
        EXPECT_EQ(m_window->AD1.LocationURL(), BannerAddress(Origin())) << c.name;
        EXPECT_EQ(m_site->Requests().find("Update.exe"), std::string::npos)
            << c.name << ": " << m_site->Requests();
        EXPECT_NE(m_site->Requests().find("rinfo=update"), std::string::npos) << c.name;
    }
    EXPECT_TRUE(m_seams.box.shown.empty());
    EXPECT_TRUE(m_seams.processes.asked.empty());
    EXPECT_TRUE(fs::is_empty(m_dir.Path())) << "no updater, no Update.ini, no work folder";
}

TEST_F(StartUp, AnUpdaterLeftFromBeforeIsStartedWhenTheDownloadFails) {
    // Not a program this system can run: the start fails with the system's reason.
    const fs::path dir = m_dir.Path();
    std::ofstream(dir / "Update.exe") << "MZ old updater";
    EXPECT_EQ(Load({"--reply", Reply("101"), "--no-updater"}), false);
    EXPECT_EQ(ReadFile(dir / "Update.exe"), "MZ old updater") << "a 404 must not replace it";
    EXPECT_EQ(m_seams.box.shown,
              (std::vector<std::string>{
                  "软件有更新，需要立即升级！",
                  "无法启动“" + (dir / "Update.exe").string() + "”：不是可以运行的程序"}));
    EXPECT_EQ(m_window->AD1.LocationURL(), BannerAddress(Origin())) << "start-up went on";
}

TEST_F(StartUp, AProgramFolderOrUpdateIniThatCannotBeWrittenStopsOnlyTheHandOff) {
    const fs::path dir = m_dir.Path();
    struct Case {
        const char* name;
        bool oldUpdater;
        int folder, ini;  // their modes
        std::string box;
    };
    const std::string ini = (dir / "Update.ini").string();
    const Case cases[] = {
        {"no room for the updater", false, 0555, 0666,
         "无法保存升级程序“" + (dir / "Update.exe").string() + "”：没有写入权限"},
        {"no room for Update.ini", true, 0555, 0666, "无法创建文件“" + ini + "”：没有写入权限"},
        {"a read-only Update.ini", false, 0777, 0444, "无法创建文件“" + ini + "”：没有写入权限"},
    };
    for (const Case& c : cases) {
        fs::permissions(dir, static_cast<fs::perms>(0777));
        fs::remove(dir / "Update.exe");
        if (c.oldUpdater)
            std::ofstream(dir / "Update.exe") << "#!/bin/sh\n";
        std::ofstream(ini) << "[UpdateSet]\r\n";
        fs::permissions(ini, static_cast<fs::perms>(c.ini));
        fs::permissions(dir, static_cast<fs::perms>(c.folder));
        // The site starts here: only the window runs as the ordinary user.
        StartSite({"--reply", Reply("101")});
        const std::string seen = testing::AsUnprivileged([&] {
            MainF1 window(m_seams.Make(), Origin());
            window.Form_Load();
            testing::Settle(m_net.loop, window);
            const bool goesOn = !window.HandedOff();
            std::string boxes;
            for (const std::string& box : m_seams.box.shown)
                boxes += box;
            return (goesOn ? "goes on: " : "ends: ") + boxes;
        });
        EXPECT_EQ(seen, "goes on: " + c.box) << c.name;
        EXPECT_EQ(ReadFile(ini), "[UpdateSet]\r\n") << c.name;
    }
}

TEST_F(StartUp, NetworkTroubleShowsInTheStatusBoxAndTheWindowOpens) {
    TransferLimits quick = UpdateCheckLimits();
    quick.totalTimeout = std::chrono::milliseconds(1000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Load({"--never-answer"}, quick), false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const std::string status = m_window->LogShow.Text();
    const std::string tail = kNetworkTrouble;
    ASSERT_GT(status.size(), tail.size()) << "the reason comes first";
    EXPECT_EQ(status.substr(status.size() - tail.size()), tail);
    EXPECT_EQ(m_window->AD1.LocationURL(), BannerAddress(Origin()));
}

TEST_F(StartUp, ASlowDecodeIsCutShortByTheBudget) {
    m_seams.clock.step = 1.0;  // a second per character
    EXPECT_EQ(Load({"--reply", Reply("101")}), false);
    EXPECT_EQ(m_window->LogShow.Text(), "对方服务无响应!");
    EXPECT_TRUE(m_seams.box.shown.empty());
}

// A hostile sheet run through the window's handlers after a hand-off whose
// updater does not start, walked before and after: nothing outside the chosen
// folder is made or changed but the hand-off's own files. The working folder
// and HOME are in the walk.
TEST_F(StartUp, AHostileRunChangesNothingButTheChosenFolderAndTheHandOff) {
    const fs::path root = m_dir.Path(), home = root / "home", chosen = home / "Pictures" / "c";
    fs::create_directories(chosen);
    fs::create_directories(home / "cwd");
    std::ofstream(root / "pixquarry") << "the program";
    std::ofstream(chosen / "abs.png") << "an older picture";
    std::ofstream(root / "hostile.css") << testing::kHostileSheet;
    testing::TestHttpServer pictures;
    pictures.Routes().Get(R"(/.*)", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("picture", "image/png");
    });
    pictures.Start();
    m_seams.starter = &m_seams.processes;
    const fs::path cwd = fs::current_path();
    const std::string userHome = ::getenv("HOME") ? ::getenv("HOME") : "/";
    fs::current_path(home / "cwd");
    ::setenv("HOME", home.c_str(), 1);

    const auto before = testing::Snapshot(root);
    EXPECT_EQ(Load({"--reply", Reply("101")}), false);
    EXPECT_EQ(m_seams.processes.asked, std::vector<std::string>{(root / "Update.exe").string()});
    m_window->WebUrl.SetText(pictures.Origin() + "/d/");
    m_window->OFile1.SetText((root / "hostile.css").string());
    m_window->SearchPic_Click();
    ASSERT_GT(m_window->GetPic.ListCount(), 10);
    for (int i = 0; i < m_window->GetPic.ListCount(); ++i)
        m_window->GetPic.SetSelected(i, true);
    m_seams.folders.answers.push_back(chosen.string());
    m_window->FileS2_MouseDown(1);
    m_window->DownPic_Click();
    testing::Settle(m_net.loop, *m_window);
    EXPECT_EQ(m_window->LogShow.Text().rfind("下载成功 ", 0), 0u) << m_window->LogShow.Text();
    m_window->OpenDownDir_Click();
    const auto after = testing::Snapshot(root);
    fs::current_path(cwd);
    ::setenv("HOME", userHome.c_str(), 1);

    EXPECT_EQ(ReadFile(chosen / "abs.png"), "picture");
    EXPECT_EQ(m_seams.fileManager.shown, std::vector<std::string>{chosen.string() + "/"});
    const std::set<fs::path> handOff = {root / "Update.exe", root / "Update.ini",
                                        root / "updatetmpfiles"};
    for (const std::string& path : testing::Changes(before, after))
        EXPECT_TRUE(path.rfind(chosen.string() + "/", 0) == 0 || handOff.count(path)) << path;
}

}  // namespace
}  // namespace pixquarry
