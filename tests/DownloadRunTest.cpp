// The picture list, the folder choice and the download run, with scripted
// dialogs and real downloads from a server on 127.0.0.1.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/MainF1.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/Transfers.h"
#include "tests/support/Unprivileged.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;
using testing::Contents;
using testing::ReadFile;

std::string Body(const std::string& name) {
    return "picture " + name +
           std::string(3000, static_cast<char>(name.size()));  // one TCP segment or more
}

using Line = std::pair<std::string, std::string>;  // colour, text

std::string ColourName(const Colour& c) {
    return c == Colour::Rgb(255, 0, 0)   ? "red"
           : c == Colour::Rgb(0, 255, 0) ? "green"
           : c == Colour::Rgb(0, 0, 255) ? "blue"
                                         : "other";
}

class DownloadRun : public ::testing::Test {
protected:
    void SetUp() override {
        m_server.Routes().Get(R"(/img/([^/]+))",
                              [](const httplib::Request& req, httplib::Response& res) {
                                  res.set_content(Body(req.matches[1]), "image/png");
                              });
        // Any status with a body: /code/400.png answers 400.
        m_server.Routes().Get(R"(/code/(\d+)\.png)",
                              [](const httplib::Request& req, httplib::Response& res) {
                                  res.status = std::stoi(req.matches[1]);
                                  res.set_content("status page", "text/html");
                              });
        m_server.Start();
        fs::create_directories(m_dir / "program");
        fs::create_directories(m_dir / "own");
        // One line per message, in the colour it was shown in.
        window.LogShow.SetObserver([this] {
            if (window.LogShow.Text() == m_shown)
                return;
            m_shown = window.LogShow.Text();
            lines.emplace_back(ColourName(window.LogShow.ForeColor()), m_shown);
            if (m_shown == "下载成功：a.png" && m_afterFirst)
                std::exchange(m_afterFirst, nullptr)();
        });
    }

    // Fills the list with `links` (server paths, in list order) and ticks the ones marked.
    void List(const std::vector<std::pair<std::string, bool>>& links) {
        window.GetPic.Clear();
        for (const auto& [path, ticked] : links)
            window.GetPic.AddItem(m_server.Url(path));
        for (int i = 0; i < window.GetPic.ListCount(); ++i) {
            ASSERT_EQ(window.GetPic.List(i), m_server.Url(links.at(i).first));
            window.GetPic.SetSelected(i, links[i].second);
        }
    }
    // A press on 下载, and the run to its end.
    void Download() {
        window.DownPic.Click();
        testing::Settle(m_net.loop, window);
    }
    void ChooseOwnFolder(const fs::path& folder) {
        m_seams.folders.answers.push_back(folder.string());
        window.FileS2_MouseDown(1);
    }
    std::string Summary(int ok, int failed) {
        return "下载成功 " + std::to_string(ok) + " 个文件；下载失败 " + std::to_string(failed) +
               " 个文件。";
    }

    Seams MakeSeams() {
        m_seams.program = {(m_dir / "program").string(), "pixquarry"};
        m_seams.download = &m_net.downloader;
        return m_seams.Make();
    }

    testing::TestHttpServer m_server;
    testing::TempFolder m_temp;
    fs::path m_dir = m_temp.Path();
    testing::RealTransfers m_net;
    testing::FakeSeams m_seams;
    MainF1 window{MakeSeams()};
    std::vector<Line> lines;
    std::string m_shown;
    std::function<void()> m_afterFirst;
};

TEST_F(DownloadRun, SelectAllPressesFollowTheirParity) {
    const auto ticks = [this] {
        std::string marks;
        for (int i = 0; i < window.GetPic.ListCount(); ++i)
            marks += window.GetPic.Selected(i) ? 'x' : '.';
        return marks + " " + window.SDownAll.Caption();
    };
    window.SDownAll.MouseDown(1);
    window.SDownAll.MouseDown(2);
    EXPECT_EQ(m_seams.box.shown, std::vector<std::string>(2, "缺少选项")) << "an empty list";
    EXPECT_EQ(ticks(), " 选择全部");
    window.GetPic.AddItems({"http://h/0.png", "http://h/1.png", "http://h/2.png"});
    window.GetPic.SetSelected(1, true);
    window.SDownAll.MouseDown(2);
    EXPECT_EQ(ticks(), ".x. 选择全部") << "a right press does nothing";
    window.SDownAll.MouseDown(1);
    EXPECT_EQ(ticks(), "xxx 取消全选") << "hand ticks are overwritten";
    window.SDownAll.MouseDown(1);
    EXPECT_EQ(ticks(), "... 选择全部");
    window.SDownAll.MouseDown(1);
    EXPECT_EQ(ticks(), "xxx 取消全选");
}

TEST_F(DownloadRun, PreviewOpensOnlyWebLinksAndHintsOnFocus) {
    for (const char* item :
         {"http://h/a.png", "HTTPS://h/a.png", "img/a.png", "file:///x", "javascript:alert(1)"}) {
        window.GetPic.Clear();
        window.GetPic.AddItem(item);
        window.GetPic.DblClick();  // no current item: nothing
        window.GetPic.SetListIndex(0);
        window.GetPic.DblClick();
    }
    EXPECT_EQ(m_seams.browser.opened,
              (std::vector<std::string>{"http://h/a.png", "HTTPS://h/a.png"}));
    window.GetPic.GotFocus();
    EXPECT_EQ(window.LogShow.Text(),
              "双击相应的图片地址，可以进行预览图片。在前面小方格内，可以勾选需要下载的图片。");
}

TEST_F(DownloadRun, FolderChoiceStates) {
    const std::string program = (m_dir / "program").string();
    EXPECT_FALSE(window.OpenDownDir.Enabled());

    ChooseOwnFolder(m_dir / "own");
    EXPECT_TRUE(window.FileS2.Value());
    EXPECT_TRUE(window.FileS2Dir.Visible());
    EXPECT_EQ(window.FileS2Dir.Text(), (m_dir / "own").string());
    EXPECT_TRUE(window.OpenDownDir.Enabled());
    window.OpenDownDir.Click();
    EXPECT_EQ(window.LogShow.Text(),
              "正在打开当前存放图片的文件夹： " + (m_dir / "own").string() + "/");

    window.FileS2.MouseDown(2);  // a right press opens nothing
    EXPECT_EQ(m_seams.folders.titles.size(), 1u);

    window.FileS1.SetValue(true);
    EXPECT_FALSE(window.FileS2.Value());
    EXPECT_FALSE(window.FileS2Dir.Visible());
    EXPECT_EQ(window.FileS2Dir.Text(), "");
    window.OpenDownDir.Click();

    window.FileS2.MouseDown(1);  // cancelled: FileS2 on, no folder; opens the default
    EXPECT_TRUE(window.FileS2.Value());
    EXPECT_EQ(window.FileS2Dir.Text(), "");
    window.OpenDownDir.Click();

    ChooseOwnFolder("/");
    window.OpenDownDir.Click();
    EXPECT_EQ(m_seams.fileManager.shown,
              (std::vector<std::string>{(m_dir / "own").string() + "/", program + "/downimages/",
                                        program + "/downimages/", "/"}));
    EXPECT_EQ(m_seams.folders.titles, std::vector<std::string>(3, ""));
}

TEST_F(DownloadRun, TheDefaultFolderMovesToThePicturesFolderWhenTheProgramsIsNotWritable) {
    const auto all = fs::perms::all;
    const auto readOnly = static_cast<fs::perms>(0555);
    fs::permissions(m_dir, readOnly, fs::perm_options::add);  // nobody passes through
    int place = 0;
    for (const std::string program : {"writable", "read-only", "missing"}) {
        for (const bool picturesPresent : {true, false}) {
            SCOPED_TRACE(program + (picturesPresent ? ", pictures present" : ", pictures missing"));
            const fs::path root = m_dir / std::to_string(place++), own = root / "program";
            // The user's own home, so Pictures can be made.
            const fs::path home = root / "home", pictures = home / "Pictures";
            fs::create_directories(picturesPresent ? pictures : home);
            fs::permissions(root, readOnly, fs::perm_options::add);
            fs::permissions(home, all);
            if (picturesPresent)
                fs::permissions(pictures, all);
            if (program != "missing") {
                fs::create_directories(own);
                fs::permissions(own, program == "writable" ? all : readOnly);
            }
            const bool beside = program == "writable";
            const std::string expected = (beside ? own : pictures).string() + "/downimages/";

            // Select the default folder, show it, then two runs of an empty list.
            const std::string seen = testing::AsUnprivileged([&] {
                testing::FakeSeams seams;
                seams.program = {own.string(), "pixquarry", pictures.string()};
                MainF1 w(seams.Make());
                w.FileS1.SetValue(true);
                std::string shown = w.LogShow.Text() + "\n";
                w.OpenDownDir.Click();
                shown += seams.fileManager.shown.back() + "\n";
                w.DownPic.Click();
                shown += w.LogShow.Text() + "\n";
                w.DownPic.Click();
                return shown + w.LogShow.Text() + (fs::is_directory(expected) ? " made" : "");
            });
            const std::string hint =
                beside ? "选择下载的图片存放目录位置：相对程序所在位置的 downimages 文件夹"
                       : "选择下载的图片存放目录位置：" + expected + "（程序所在位置不可写入）";
            const std::string named = beside ? "" : "图片保存在：" + expected;
            EXPECT_EQ(seen, hint + "\n" + expected + "\n" + Summary(0, 0) + named + "\n" +
                                Summary(0, 0) + " made");
        }
    }
}

TEST_F(DownloadRun, WithoutAFolderItAsksForOneAndDownloadsNothing) {
    List({{"/img/a.png", true}});
    for (int press = 0; press < 2; ++press) {  // the second after a cancelled browser
        lines.clear();
        Download();
        EXPECT_TRUE(lines.empty());
        EXPECT_TRUE(window.FileS2.Value());
        EXPECT_TRUE(window.FileS2Dir.Visible());
        EXPECT_EQ(window.FileS2Dir.Text(), "");
    }
    EXPECT_EQ(m_seams.box.shown, std::vector<std::string>(2, "未选择下载目录"));
    EXPECT_FALSE(window.OpenDownDir.Enabled());

    m_seams.folders.answers.push_back((m_dir / "own").string());
    Download();  // asks again: FileS2Dir was empty
    EXPECT_EQ(window.FileS2Dir.Text(), (m_dir / "own").string());
    EXPECT_FALSE(fs::exists(m_dir / "own" / "a.png"));
    Download();
    EXPECT_TRUE(ReadFile(m_dir / "own" / "a.png") == Body("a.png")) << "a.png";
    EXPECT_EQ(m_seams.box.shown.size(), 3u);
}

TEST_F(DownloadRun, EachTickedItemGetsItsColouredLineThenTheSummary) {
    List({{"/code/399.png", true},
          {"/code/400.png", true},
          {"/img/a.png", true},
          {"/img/b.png", false},
          {"/img/c.png", true},
          {"/img/d%20d.png", true}});
    const fs::path folder = m_dir / "program" / "downimages";
    fs::create_directories(folder);
    std::ofstream(folder / "400.png") << "kept";
    window.FileS1.SetValue(true);
    lines.clear();
    Download();
    // In list order; only a 2xx answer with a body is a success.
    EXPECT_EQ(lines,
              (std::vector<Line>{{"red", "下载失败：399.png（服务器要求跳转但没有给出新地址）"},
                                 {"red", "下载失败：400.png（服务器回答 HTTP 400）"},
                                 {"green", "下载成功：a.png"},
                                 {"green", "下载成功：c.png"},
                                 {"green", "下载成功：d%20d.png"},
                                 {"blue", Summary(3, 2)}}));
    EXPECT_EQ(ReadFile(folder / "400.png"), "kept");
    EXPECT_TRUE(ReadFile(folder / "a.png") == Body("a.png")) << "a.png";
    EXPECT_TRUE(ReadFile(folder / "d%20d.png") == Body("d d.png")) << "d d.png";
    EXPECT_FALSE(fs::exists(folder / "b.png")) << "not ticked";
    EXPECT_TRUE(window.OpenDownDir.Enabled());
    EXPECT_FALSE(window.DownProgress.Visible());
    EXPECT_EQ(window.DownProgress.Value(), 5);
    EXPECT_EQ(window.DownProgress.Max(), 5) << "only ticked items count";
    EXPECT_TRUE(window.GetPic.Selected(0)) << "ticks stay";
}

TEST_F(DownloadRun, AFolderItCannotWriteToGivesEachItemItsReason) {
    List({{"/img/a.png", true}});
    const fs::path locked = m_dir / "locked";
    fs::create_directories(locked);
    fs::permissions(m_dir, static_cast<fs::perms>(0555), fs::perm_options::add);
    fs::permissions(locked, static_cast<fs::perms>(0555));
    window.FileS2.SetValue(true);
    window.FileS2Dir.SetText(locked.string());
    const std::string seen = testing::AsUnprivileged([&] {
        Download();
        return lines.at(lines.size() - 2).first + " " + lines.at(lines.size() - 2).second;
    });
    EXPECT_EQ(seen, "red 下载失败：a.png（没有写入权限）");
    EXPECT_TRUE(fs::is_empty(locked));
}

TEST_F(DownloadRun, AFolderThatCannotBeUsedEndsTheRunWithOneRedLine) {
    std::ofstream(m_dir / "program" / "downimages") << "a file in the way";
    std::ofstream(m_dir / "a file") << "not a folder";
    List({{"/img/a.png", true}});
    struct Case {
        const char* name;
        std::function<void()> choose;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"a default folder that cannot be made", [&] { window.FileS1.SetValue(true); },
         "无法创建下载目录“" + (m_dir / "program").string() + "/downimages/”：已有同名的文件"},
        {"a mistyped own folder", [&] { ChooseOwnFolder(m_dir / "gone "); },
         "下载目录不存在：" + (m_dir / "gone ").string()},
        {"a file for a folder", [&] { ChooseOwnFolder(m_dir / "a file"); },
         "下载目录不存在：" + (m_dir / "a file").string()},
    };
    for (const Case& c : cases) {
        c.choose();
        lines.clear();
        Download();
        EXPECT_EQ(lines, (std::vector<Line>{{"red", c.line}})) << c.name;
        EXPECT_TRUE(window.DownPic.Enabled()) << c.name;
        // What comes next is no download result: blue again.
        window.SDownAll.MouseDown(1);
        window.FileS1.SetValue(true);
        EXPECT_EQ(lines.back(), Line("blue",
                                     "选择下载的图片存放目录位置：相对程序所在位置的 "
                                     "downimages 文件夹"))
            << c.name;
        EXPECT_EQ(lines.at(1), Line("blue", "选择全部文件 或 取消全部文件")) << c.name;
    }
}

// What the user does while a run goes on, done as the first item's line shows.
TEST_F(DownloadRun, WhatHappensWhileARunGoesOn) {
    struct Case {
        const char* name;
        std::function<void(MainF1&)> meanwhile;
        int files;  // on disk afterwards
        std::string lastLine;
    };
    const std::vector<Case> cases = {
        {"the list is emptied", [](MainF1& w) { w.GetPic.Clear(); }, 1, Summary(1, 0)},
        {"a later item is unticked", [](MainF1& w) { w.GetPic.SetSelected(2, false); }, 2,
         Summary(2, 0)},
        {"a second press is refused",
         [](MainF1& w) {
             EXPECT_FALSE(w.DownPic.Enabled());
             w.DownPic.Click();
         },
         3, Summary(3, 0)},
        {"the window closes", [](MainF1& w) { w.Unload(); }, 1, "下载成功：a.png"},
    };
    for (const Case& c : cases) {
        fs::remove_all(m_dir / "own");
        fs::create_directories(m_dir / "own");
        ChooseOwnFolder(m_dir / "own");
        List({{"/img/a.png", true}, {"/img/b.png", true}, {"/img/c.png", true}});
        m_afterFirst = [&] { c.meanwhile(window); };
        Download();
        EXPECT_EQ(Contents(m_dir / "own").size(), static_cast<std::size_t>(c.files)) << c.name;
        EXPECT_EQ(window.LogShow.Text(), c.lastLine) << c.name;
    }
}

}  // namespace
}  // namespace pixquarry
