// The filter bar's rules through the window's handlers, against pictures on
// 127.0.0.1: what each choice shows once the check has told it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainF1.h"
#include "platform/curl/EngineProber.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/SavedPicture.h"
#include "tests/support/StaticSite.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

std::string Saved(const char* type, int width, int height) {
    return pixquarry::testing::SavedPicture(type, width, height);
}

struct FilterCase {
    const char* text;
    int type;  // 全部 PNG JPEG GIF WebP SVG 其他
    const char* minWidth;
    const char* minHeight;
    bool hideFailed;
    std::vector<std::string> shown;
};

TEST(LinkFilter, EachChoiceShowsWhatTheCheckFoundToMatch) {
    testing::StaticSite site;
    site.Put("/a.png", Saved("png", 40, 30), "image/png");
    site.Put("/b.jpg", Saved("jpeg", 20, 20), "image/jpeg");
    site.Put("/c.gif", testing::ReadFile(PIXQUARRY_TEST_DATA "/pictures/flat-11x7.gif"));
    site.Put("/d.webp", testing::ReadFile(PIXQUARRY_TEST_DATA "/pictures/flat-13x6.webp"));
    site.Put("/e.bmp", Saved("bmp", 30, 30), "image/bmp");
    site.Put("/f.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='50' height='9'/>");
    site.Start();
    testing::RealTransfers net;
    EngineProber probes(net.engine, ProbeLimits());
    testing::FakeSeams seams;
    seams.probes = &probes;
    MainF1 window(seams.Make());
    std::vector<std::string> all;
    for (const char* path : {"/a.png", "/b.jpg", "/c.gif", "/d.webp", "/e.bmp", "/f.svg", "/g.png"})
        all.push_back(site.Origin() + path);
    window.GetPic.AddItems(all);
    window.mnuFilter_Click();
    const FilterCase cases[] = {
        {"",
         0,
         "",
         "",
         true,
         {"/a.png", "/b.jpg", "/c.gif", "/d.webp", "/e.bmp", "/f.svg", "/g.png"}},
        {"B.", 0, "", "", false, {"/b.jpg"}},
        {"", 1, "", "", false, {"/a.png"}},
        {"", 4, "", "", false, {"/d.webp"}},
        {"", 6, "", "", false, {"/e.bmp"}},
        {"", 0, "20", "20", false, {"/a.png", "/b.jpg", "/e.bmp"}},
        {"", 0, "", "", true, {"/a.png", "/b.jpg", "/c.gif", "/d.webp", "/e.bmp", "/f.svg"}},
        {"", 0, "1x", "", false, {"/a.png", "/b.jpg", "/c.gif", "/d.webp", "/e.bmp", "/f.svg"}},
    };
    for (const FilterCase& c : cases) {
        window.FilterText.SetText(c.text);
        window.FilterType.SetListIndex(c.type);
        window.FilterWidth.SetText(c.minWidth);
        window.FilterHeight.SetText(c.minHeight);
        window.FilterFailed.SetValue(c.hideFailed);
        window.Filter_KeyDown(13);
        ASSERT_TRUE(testing::Settle(net.loop, window));
        std::vector<std::string> shown;
        for (int i = 0; i < window.GetPic.ListCount(); ++i) {
            if (!window.GetPic.Hidden(i))
                shown.push_back(window.GetPic.List(i).substr(site.Origin().size()));
        }
        EXPECT_EQ(shown, c.shown) << c.text << " " << c.type << " " << c.minWidth;
        EXPECT_EQ(window.FilterCount.Caption(),
                  "显示 " + std::to_string(shown.size()) + " / 共 7 个");
    }
    EXPECT_EQ(window.LogShow.Text(), "最小宽度和最小高度须为整数（像素）。");
    EXPECT_EQ(site.Hits("/a.png"), 1) << "each link is checked once";
    window.Filter_KeyDown(27);
    EXPECT_EQ(window.GetPic.ShownCount(), 7);
}

}  // namespace
}  // namespace pixquarry
