#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainF1.h"

// The sanitizer build must really compile with the sanitizers.
#if defined(PIXQUARRY_SANITIZED) && !defined(__SANITIZE_ADDRESS__)
#error "PIXQUARRY_SANITIZE is on but AddressSanitizer is not"
#endif
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

class ExtractionRun : public ::testing::Test {
protected:
    void SetUp() override {
        window.LogShow.SetObserver([this] { statuses.push_back(window.LogShow.Text()); });
        window.WebUrl.SetText("D/");
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    // Runs the extraction on `css` and returns the list.
    std::vector<std::string> Harvest(const std::string& css) {
        window.OFile1.SetText(Write("in.css", css));
        window.SearchPic_Click();
        return Items();
    }
    std::vector<std::string> Items() const { return testing::ListItems(window.GetPic); }
    // How many of the four custom-mode marker fields show.
    int MarkersShown() const {
        return window.PPDefBeg.Visible() + window.PPTBeg.Visible() + window.PPDefEnd.Visible() +
               window.PPTEnd.Visible();
    }

    testing::TempFolder m_temp;
    fs::path m_dir = m_temp.Path();
    testing::FakeSeams seams;
    testing::ScriptedOpenFileDialog& dialog = seams.openFile;
    MainF1 window{seams.Make()};
    std::vector<std::string> statuses;
};

using Links = std::vector<std::string>;

// How links are cleaned, found and decoded is held by the fuzz targets and the
// RegExpTest and SourceText tables; these rows are what the run adds: the
// domain, the list and the match mode it selects.
TEST_F(ExtractionRun, TurnsReferencesIntoDomainLinksAndSelectsTheMatchMode) {
    struct Case {
        const char* name;
        std::string css;
        Links items;
        int mode;
    };
    const auto sheet = [](const std::string& name) {
        return testing::ReadFile(std::string(PIXQUARRY_TEST_DATA) + "/" + name);
    };
    const Case cases[] = {
        {"three quoting styles, one item",
         "url(a.png) url('a.png') url(\"a.png\")",
         {"D/a.png"},
         2},
        {"absolute path doubles the slash", "url(/img/a.png)", {"D//img/a.png"}, 0},
        {"no dot, no item", "url(#mask) url() url(data)", {}, 0},
        {"case variants both stay, sorted",
         "url(b.png) url(A.png) url(a.png)",
         {"D/A.png", "D/a.png", "D/b.png"},
         0},
        {"single quotes", "url(a.png) url('b.png')", {"D/a.png", "D/b.png"}, 1},
        {"double quotes win",
         "url(\"c.png\") url('b.png') url(a.png)",
         {"D/a.png", "D/b.png", "D/c.png"},
         2},
        {"upper case only: custom", "URL(a.png)", {"D/URLa.png"}, 3},
        {"neither UTF-8 nor GBK", "\x80\xFF\xFFurl(a.png)\xFF", {"D/a.png"}, 0},
        {"a NUL stays in its link",
         std::string("url(a\0b.png)", 12),
         {std::string("D/a\0b.png", 9)},
         0},
        // Any bytes decode and search cleanly: fuzz_decode and fuzz_extract.
        {"binary without a reference", std::string("\x89PNG\r\n\x1A\n\0\0\xFF\xD8(", 13), {}, 3},
        {"leaflet's sheet",
         sheet("leaflet-1.9.4/leaflet.css"),
         {"D/images/layers-2x.png", "D/images/layers.png", "D/images/marker-icon.png"},
         0},
        {"chosen's sheet",
         sheet("chosen-1.8.7/chosen.css"),
         {"D/chosen-sprite.png", "D/chosen-sprite@2x.png"},
         2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Harvest(c.css), c.items) << c.name;
        EXPECT_EQ(window.LastRun(), RunOutcome::Listed) << c.name;
        EXPECT_EQ(window.SelectedMatchMode(), c.mode) << c.name;
        EXPECT_EQ(MarkersShown(), c.mode == 3 ? 4 : 0) << c.name;
        EXPECT_EQ(window.LogShow.Text(), "图片链接已完成载入列表。") << c.name;
    }
}

TEST_F(ExtractionRun, ReportsEveryStageAndEndsOnTheListMessage) {
    Harvest("url(a.png)");
    EXPECT_EQ(statuses,
              (std::vector<std::string>{
                  "正在读取文件……", "文件读取完成。", "正在提取文件中的图片链接", "选择 匹配模式",
                  "图片链接提取完成。", "正在过滤重复的图片链接", "图片链接已完成载入列表。"}));
}

TEST_F(ExtractionRun, EmptyDomainLeavesFullAddressesAlone) {
    window.WebUrl_DblClick();
    // As written: only resolved links come in one form.
    EXPECT_EQ(Harvest("url(http://CDN.example.org:80/%2e/%e4.png)"),
              Links{"http://CDN.example.org:80/%2e/%e4.png"});
    window.WebUrl_GotFocus();
    EXPECT_EQ(window.WebUrl.Text(), "") << "the hint goes to the status line";
}

TEST_F(ExtractionRun, ANewRunReplacesTheListAndItsTicks) {
    Harvest("url(a.png) url(b.png)");
    window.GetPic.SetSelected(0, true);
    EXPECT_EQ(Harvest("url(b.png) url(c.png)"), (Links{"D/b.png", "D/c.png"}));
    EXPECT_FALSE(window.GetPic.Selected(0));
}

TEST_F(ExtractionRun, UnreadableSourceIsReportedAndTheListKept) {
    Harvest("url(keep.png)");
    ::mkfifo((m_dir / "pipe").c_str(), 0600);
    const std::string empty = Write("empty.css", "");
    struct Case {
        const char* name;
        std::string path;
        std::string message;
    };
    const auto unreadable = [](const fs::path& path, const std::string& reason) {
        return "无法读取文件“" + path.string() + "”：" + reason;
    };
    const Case cases[] = {
        {"missing", (m_dir / "nothing.css").string(),
         unreadable(m_dir / "nothing.css", "文件不存在")},
        {"folder", m_dir.string(), unreadable(m_dir, "这是一个文件夹，不是文件")},
        {"pipe, not waited on", (m_dir / "pipe").string(),
         unreadable(m_dir / "pipe", "不是普通文件（可能是管道或设备）")},
        {"endless device", "/dev/zero",
         unreadable("/dev/zero", "不是普通文件（可能是管道或设备）")},
        {"empty", empty, "文件“" + empty + "”是空的"},
    };
    for (const Case& c : cases) {
        window.OFile1.SetText(c.path);
        window.SearchPic_Click();
        EXPECT_EQ(window.LastRun(), RunOutcome::ReadFailed) << c.name;
        EXPECT_EQ(window.LogShow.Text(), c.message) << c.name;
        EXPECT_EQ(Items(), Links{"D/keep.png"}) << c.name;
        EXPECT_EQ(window.SelectedMatchMode(), 0) << c.name;
    }
}

TEST_F(ExtractionRun, UnreadableForLackOfPermission) {
    const std::string path = Write("locked.css", "url(a.png)");
    fs::permissions(path, fs::perms::none);
    EXPECT_EQ(testing::AsUnprivileged([&] {
                  window.OFile1.SetText(path);
                  window.SearchPic_Click();
                  return window.LogShow.Text();
              }),
              "无法读取文件“" + path + "”：没有读取权限");
}

TEST_F(ExtractionRun, WithoutASourceTheFileChoiceOpens) {
    // The hint, cancelled: no run, the hint comes back.
    window.SearchPic_Click();
    ASSERT_EQ(dialog.titles, std::vector<std::string>{"打开文件"});
    EXPECT_EQ(window.OFile1.Text(), MainF1::kOFile1Hint);
    EXPECT_EQ(window.LogShow.Text(), "选择文件。");
    EXPECT_EQ(window.LastRun(), RunOutcome::NoFileNamed);

    // An empty box, a file chosen: exactly one run, on that file.
    window.OFile1.SetText("");
    const std::string chosen = Write("chosen.css", "url(x.png)");
    dialog.answers.push_back(chosen);
    window.SearchPic_Click();
    EXPECT_EQ(dialog.titles.size(), 2u);
    EXPECT_EQ(window.OFile1.Text(), chosen);
    EXPECT_EQ(Items(), Links{"D/x.png"});
    EXPECT_EQ(window.LastRun(), RunOutcome::Listed);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "正在读取文件……"), 1);

    // A cancel after a choice drops the path but keeps the list.
    window.OFile1_DblClick();
    EXPECT_EQ(window.OFile1.Text(), MainF1::kOFile1Hint);
    EXPECT_EQ(Items(), Links{"D/x.png"});
}

}  // namespace
}  // namespace pixquarry
