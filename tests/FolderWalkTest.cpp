// A hostile run through the window's handlers, with the file system walked
// before and after: nothing outside the chosen folder is made or changed but
// the update hand-off's own files.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/MainF1.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/FolderWalk.h"
#include "tests/support/StandInSite.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

// Runs in a working folder inside the sandbox, with the user's home there too.
class SandboxedUser final {
public:
    explicit SandboxedUser(const fs::path& home)
        : m_cwd(fs::current_path()), m_home(::getenv("HOME") ? ::getenv("HOME") : "") {
        fs::create_directories(home / "cwd");
        fs::current_path(home / "cwd");
        ::setenv("HOME", home.c_str(), 1);
    }
    ~SandboxedUser() {
        fs::current_path(m_cwd);
        ::setenv("HOME", m_home.c_str(), 1);
    }

private:
    fs::path m_cwd;
    std::string m_home;
};

TEST(FolderWalk, AHostileWindowRunChangesNothingButTheFolderAndTheHandOff) {
    testing::TempFolder sandbox;
    const fs::path root = sandbox.Path();
    const fs::path program = root / "program";
    const fs::path chosen = root / "home" / "Pictures" / "chosen";
    fs::create_directories(program);
    fs::create_directories(chosen);
    std::ofstream(program / "pixquarry") << "the program";
    std::ofstream(chosen / "abs.png") << "an older picture";
    const fs::path sheet = root / "hostile.css";
    std::ofstream(sheet) << testing::kHostileSheet;
    testing::TestHttpServer pictures;
    pictures.Routes().Get(R"(/.*)", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("picture", "image/png");
    });
    pictures.Start();
    testing::StandInSite site(
        {"--reply", "0101-KWKW-Pixquarry-KWKW-2.00-KWKW-{ORIGIN}/updater/Update.exe-KWKW-D:\\x"});
    SandboxedUser user(root / "home");
    testing::RealTransfers net;
    testing::NoProcessStarter starter;
    testing::FakeSeams seams;
    seams.program = {program.string(), "pixquarry"};
    seams.download = &net.downloader;
    seams.http = &net.http;
    seams.pages = &net.pages;
    seams.starter = &starter;

    const auto before = testing::Snapshot(root);
    MainF1 window(seams.Make(), site.Origin());
    // The updater is fetched and its hand-off file written; starting it fails here.
    EXPECT_EQ(window.Form_Load(), MainF1::LoadOutcome::Continue);
    EXPECT_EQ(starter.asked, std::vector<std::string>{(program / "Update.exe").string()});
    window.WebUrl.SetText(pictures.Origin() + "/d/");
    window.OFile1.SetText(sheet.string());
    window.SearchPic_Click();
    ASSERT_GT(window.GetPic.ListCount(), 10);
    for (int i = 0; i < window.GetPic.ListCount(); ++i)
        window.GetPic.SetSelected(i, true);
    seams.folders.answers.push_back(chosen.string());
    window.FileS2_MouseDown(1);
    window.DownPic_Click();
    EXPECT_EQ(window.LogShow.Text().rfind("下载成功 ", 0), 0u) << window.LogShow.Text();
    window.OpenDownDir_Click();

    EXPECT_EQ(testing::ReadFile(chosen / "abs.png"), "picture");
    ASSERT_EQ(seams.fileManager.shown.size(), 1u);
    EXPECT_EQ(fs::path(seams.fileManager.shown[0]), fs::path(chosen.string() + "/"));
    const std::set<fs::path> handOff = {program / "Update.exe", program / "Update.ini",
                                        program / "updatetmpfiles"};
    const std::string inside = chosen.string() + "/";
    for (const std::string& path : testing::Changes(before, testing::Snapshot(root)))
        EXPECT_TRUE(path.rfind(inside, 0) == 0 || handOff.count(path)) << path;
}

}  // namespace
}  // namespace pixquarry
