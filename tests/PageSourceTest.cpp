// A web page as source: the page harvest both front ends run, against a real
// site and a picture host on two ports of 127.0.0.1, then the window's view.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/MainF1.h"
#include "extract/ListOrder.h"
#include "extract/PageHarvest.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/StaticSite.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

using testing::StaticSite;

class PageSite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        site = std::make_unique<StaticSite>();
        pictures = std::make_unique<StaticSite>();
        // Started first: the pages name both origins.
        site->Start();
        pictures->Start();
        std::vector<std::pair<std::string, std::string>> sitePages = {
            {"/mixed.html",
             "<!DOCTYPE html>\n<html><head>\n<LINK REL=\"Alternate StyleSheet\" "
             "href=\"css/a.css\">\n"
             "<link rel=icon href=\"favicon.css\">\n<style>\n@import url(\"css/b.css\");\n"
             ".s{background:url(img/s.png)}\n</style></head>\n"
             "<body><div style=\"background:url('img/attr.png')\"></div></body></html>\n"},
            {"/based.html",
             "<html><head><base href=\"{B}/root/\"><link rel=stylesheet href=\"s.css\"></head>\n"
             "<p style=\"background:url(x.png)\">\n"},
            {"/cycle.html", "<link rel=stylesheet href=c1.css>"},
            {"/deep.html", "<link rel=stylesheet href=d1.css>"},
            {"/missing.html",
             "<link rel=stylesheet href=gone.css>\n<link rel=stylesheet href=ok.css>"},
            {"/gbk.html", "<link rel=stylesheet href=gbk.css>"},
            // Big5 and Shift_JIS bytes for 圖片/頁面, 圖 and 画像.
            {"/big5.html",
             "<meta charset=big5><link rel=stylesheet href=big5.css>\n"
             "<p style=\"background:url(\xb9\xcf\xa4\xf9/\xad\xb6\xad\xb1.png)\">"},
            {"/big5.css", ".b{background:url(\xb9\xcf.png)}"},
            {"/sjis.html",
             "<meta http-equiv=Content-Type content='text/html; charset=Shift_JIS'>"
             "<p style=\"background:url(\x89\xe6\x91\x9c.png)\">"},
            {"/blanks.html",
             "<base href=\" /sub/\n\">\n<link rel=stylesheet href=\" li\nnes.css \">\n"
             "<style>@import \" mo\tre.css \";</style>"},
            {"/sub/lines.css",
             ".a{background:url(r.png)}\n\n.b{background:url(r.png)}\n\n.c{background:url( "
             "\"r\n.png\" )}"},
            {"/sub/more.css", ".m{background:url(m.png)}"},
            {"/forms.html",
             "<link rel=stylesheet href=HTTP://LOCALHOST:{P}/n.css><link rel=stylesheet "
             "href={L}/n.css><link rel=stylesheet href=http://LocalHost:{P}/x/%2E%2e/n.css>"},
            {"/n.css",
             "url(http://EXAMPLE.COM:80/a.png) url(http://example.com/a.png) url(%e4%b8%ad.png) "
             "url(%E4%B8%AD.png)"},
            {"/moved.html",
             "<link rel=stylesheet href=old/r.css><link rel=stylesheet href=old/gone.css>"},
            {"/new/r.css", ".r{background:url(x.png)}"},
            {"/old/r.css", "/new/r.css"},
            {"/old/gone.css", "/new/gone.css"},
            {"/style-deep.html", "<style>@import 'd2.css';</style>"},
            {"/plain.html", "<p style=\"color:red\">no pictures here"},
            {"/tricks.html", "<link rel=stylesheet href=tricks.css>"},
            {"/css/a.css",
             "@import \"{B}/far/far.css\";\n.a{background:url(../img/a.png)}\n"
             ".s{background:url(/img/s.png)}\n"},
            {"/css/b.css", "\n.b{background:url('b.png')}\n"},
            {"/favicon.css", ".never{background:url(never.png)}"},
            {"/c1.css", "@import 'c2.css';\n.c1{background:url(c1.png)}"},
            {"/c2.css", "@import url(c1.css);\n.c2{background:url(c2.png)}"},
            {"/ok.css", ".ok{background:url(ok.png)}"},
            {"/tricks.css",
             "/* @import 'no1.css'; */\n@import \"yes.css\" /* @import 'no2.css' */;\n"
             "a[title=\"@import 'no3.css';\"]{color:red}\n@import url(\"no4.css\" ;\n"},
        };
        for (int i = 1; i <= 9; ++i) {
            const std::string n = std::to_string(i), next = std::to_string(i + 1);
            sitePages.push_back(
                {"/d" + n + ".css",
                 "@import 'd" + next + ".css';\n.d{background:url(" + n + ".png)}"});
        }
        for (const std::string name : {"yes", "no1", "no2", "no3", "no4"})
            sitePages.push_back(
                {"/" + name + ".css", "." + name + "{background:url(" + name + ".png)}"});
        std::string nested;
        for (int i = 0; i < 140000; ++i)
            nested += i < 60000 ? "<div>" : "<template>";  // templates nest on
        sitePages.push_back(
            {"/nested.html",
             nested +
                 "\n<p style=\"background:url(deep.png)\"><link rel=stylesheet href=css/b.css>"});
        for (const auto& [path, body] : sitePages)
            site->Put(path, Fill(body),
                      path.starts_with("/old/") ? "redirect"
                      : path.ends_with(".html") ? "text/html"
                                                : "text/css");
        // GBK bytes for 冲突/图, whose wrong @charset rule the server's charset overrides.
        site->Put("/gbk.css",
                  "@charset \"utf-8\";\n.g{background:url(\xb3\xe5\xcd\xbb/\xcd\xbc.png)}",
                  "text/css; charset=gbk");
        pictures->Put("/far/far.css", "\n\n.far{background:url(pic.png)}");
        pictures->Put("/root/s.css", ".r{background:url(y.png)}");
    }
    static void TearDownTestSuite() {
        site.reset();
        pictures.reset();
    }
    static std::string Fill(std::string text) {
        for (const auto& [mark, origin] : {std::pair{std::string("{A}"), site->Origin()},
                                           {"{B}", pictures->Origin()},
                                           {"{L}", "http://localhost:" + site->Origin().substr(17)},
                                           {"{P}", site->Origin().substr(17)}}) {
            for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
                text.replace(at, mark.size(), origin);
        }
        return text;
    }

    static inline std::unique_ptr<StaticSite> site;
    static inline std::unique_ptr<StaticSite> pictures;
    testing::RealTransfers m_net;
};

// A suite of its own: a site of its own, whose request counts no other test moves.
class PageHarvestTable : public PageSite {};

TEST_F(PageHarvestTable, ListsLinksWithWhereEachWasFound) {
    struct Case {
        std::string name;
        std::string page;                               // a path on the site
        std::vector<std::string> links;                 // "link <- sheet:line ..."
        std::vector<std::string> failures;              // address: reason; limits reached
        std::vector<std::pair<std::string, int>> hits;  // requests a site path got
    };
    std::vector<std::string> chain;  // what d1.css to d9.css hold; d10.css is not read
    for (int i = 1; i <= 9; ++i)
        chain.push_back("{A}/" + std::to_string(i) + ".png <- {A}/d" + std::to_string(i) +
                        ".css:2");
    const std::string tooDeep = "已达到 8 层 @import 的上限，另有 1 个样式表未读取";
    const std::vector<Case> cases = {
        {"linked, imported, inline and attribute styles",
         "/mixed.html",
         {"{A}/css/b.png <- {A}/css/b.css:2", "{A}/img/a.png <- {A}/css/a.css:2",
          "{A}/img/attr.png <- style=\"\":9", "{A}/img/s.png <- {A}/css/a.css:3 <style>:7",
          "{B}/far/pic.png <- {B}/far/far.css:3"},
         {},
         {{"/favicon.css", 0}}},
        {"a base element elsewhere",
         "/based.html",
         {"{B}/root/x.png <- style=\"\":2", "{B}/root/y.png <- {B}/root/s.css:1"},
         {},
         {}},
        {"an import cycle",
         "/cycle.html",
         {"{A}/c1.png <- {A}/c1.css:2", "{A}/c2.png <- {A}/c2.css:2"},
         {},
         {{"/c1.css", 1}, {"/c2.css", 1}}},
        {"a linked sheet and eight imports deep",
         "/deep.html",
         chain,
         {tooDeep},
         {{"/d10.css", 0}}},
        {"eight imports deep from a style element",
         "/style-deep.html",
         {chain.begin() + 1, chain.end()},
         {tooDeep},
         {{"/d10.css", 0}}},
        {"a missing sheet",
         "/missing.html",
         {"{A}/ok.png <- {A}/ok.css:1"},
         {"{A}/gone.css：服务器回答 HTTP 404"},
         {{"/ok.css", 1}}},
        {"the server's charset before @charset",
         "/gbk.html",
         {"{A}/%E5%86%B2%E7%AA%81/%E5%9B%BE.png <- {A}/gbk.css:2"},
         {},
         {}},
        {"a meta charset, also for the sheets",
         "/big5.html",
         {"{A}/%E5%9C%96%E7%89%87/%E9%A0%81%E9%9D%A2.png <- style=\"\":2",
          "{A}/%E5%9C%96.png <- {A}/big5.css:1"},
         {},
         {}},
        {"a meta http-equiv", "/sjis.html", {"{A}/%E7%94%BB%E5%83%8F.png <- style=\"\":1"}, {}, {}},
        {"blanks in addresses, one reference on several lines",
         "/blanks.html",
         {"{A}/sub/m.png <- {A}/sub/more.css:1",
          "{A}/sub/r.png <- {A}/sub/lines.css:1 {A}/sub/lines.css:3 {A}/sub/lines.css:5"},
         {},
         {}},
        {"one address, one form",
         "/forms.html",
         {"http://example.com/a.png <- {L}/n.css:1 {L}/n.css:1",
          "{L}/%E4%B8%AD.png <- {L}/n.css:1 {L}/n.css:1"},
         {},
         {{"/n.css", 1}}},
        {"sheets named where redirects took them",
         "/moved.html",
         {"{A}/new/x.png <- {A}/new/r.css:1"},
         {"{A}/new/gone.css：服务器回答 HTTP 404"},
         {}},
        {"140,000 nested elements",
         "/nested.html",
         {"{A}/css/b.png <- {A}/css/b.css:2", "{A}/deep.png <- style=\"\":2"},
         {},
         {}},
        {"comments and strings are no imports",
         "/tricks.html",
         {"{A}/yes.png <- {A}/yes.css:1"},
         {},
         {{"/no1.css", 0}, {"/no2.css", 0}, {"/no3.css", 0}, {"/no4.css", 0}}},
    };
    const auto linkOf = [](const std::string& line) { return line.substr(0, line.find(" <-")); };
    const auto filled = [](std::vector<std::string> texts) {
        for (std::string& text : texts)
            text = Fill(text);
        return texts;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string address = site->Origin() + c.page;
        const HttpResponse page = testing::GetNow(m_net.loop, m_net.pages, address);
        ASSERT_TRUE(page.ok);
        ASSERT_TRUE(IsHtmlPage(page.contentType, page.body));
        const auto start = std::chrono::steady_clock::now();
        const Harvest harvest =
            testing::HarvestPageNow(m_net.loop, m_net.pages, address, page.body, page.contentType);
#ifdef PIXQUARRY_SANITIZED
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
#else
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
#endif
        ASSERT_TRUE(harvest.ok);
        std::vector<std::string> got;
        for (std::size_t i = 0; i < harvest.links.size(); ++i) {
            got.push_back(harvest.links[i] + " <-");
            for (const LinkOrigin& o : harvest.from.at(i))
                got.back() += " " + o.sheet + ":" + std::to_string(o.line);
        }
        std::vector<std::string> want = filled(c.links);
        std::stable_sort(want.begin(), want.end(), [&](const std::string& a, const std::string& b) {
            return CompareListText(linkOf(a), linkOf(b)) < 0;
        });
        EXPECT_EQ(got, want);
        std::vector<std::string> failures;
        for (const SheetFailure& f : harvest.failures)
            failures.push_back(SheetFailureLine(f));
        failures.insert(failures.end(), harvest.limitsReached.begin(), harvest.limitsReached.end());
        EXPECT_EQ(failures, filled(c.failures));
        for (const auto& [path, hits] : c.hits)
            EXPECT_EQ(site->Hits(path), hits) << path;
    }
}

TEST_F(PageSite, SheetsAreFetchedOnceSixAtATimeSixtyFourInAllUpTo16MiBEach) {
    StaticSite slow(std::chrono::milliseconds(20));
    slow.Start();
    std::string page;
    for (int i = 0; i < 70; ++i) {
        const std::string name = "/s" + std::to_string(i) + ".css";
        page += "<link rel=stylesheet href=" + name + "><link rel=stylesheet href=" + name + ">\n";
        slow.Put(name,
                 i == 0 ? std::string(16 * 1024 * 1024 + 1, ' ') : ".x{background:url(x.png)}");
    }
    const Harvest harvest =
        testing::HarvestPageNow(m_net.loop, m_net.pages, slow.Origin() + "/", page, "text/html");
    EXPECT_EQ(harvest.links, std::vector<std::string>{slow.Origin() + "/x.png"});
    EXPECT_EQ(harvest.from.at(0).size(), 63u);
    ASSERT_EQ(harvest.failures.size(), 1u);
    EXPECT_EQ(SheetFailureLine(harvest.failures[0]),
              slow.Origin() + "/s0.css：响应超过 16777216 字节");
    EXPECT_EQ(harvest.limitsReached,
              std::vector<std::string>{"已达到 64 个样式表的上限，另有 6 个未读取"});
    EXPECT_EQ(slow.MostAtOnce(), 6);
    for (int i = 0; i < 70; ++i)
        EXPECT_EQ(slow.Hits("/s" + std::to_string(i) + ".css"), i < 64 ? 1 : 0) << i;
}

// The window: resolved links without the domain, and the closing line.
TEST_F(PageSite, TheWindowListsResolvedLinksAndNamesFailedSheets) {
    testing::FakeSeams seams;
    seams.pages = &m_net.pages;
    MainF1 window(seams.Make());
    window.WebUrl.SetText("D/");
    const auto harvest = [&](const std::string& page) {
        window.OFile1.SetText(site->Origin() + page);
        window.SearchPic.Click();
        testing::Settle(m_net.loop, window);
        return testing::ListItems(window.GetPic);
    };
    EXPECT_EQ(harvest("/based.html"),
              (std::vector<std::string>{Fill("{B}/root/x.png"), Fill("{B}/root/y.png")}));
    EXPECT_EQ(window.LogShow.Text(), "图片链接已完成载入列表（已按各样式表的地址补全链接）。");
    EXPECT_EQ(window.OriginsOf(Fill("{B}/root/y.png")),
              (std::vector<LinkOrigin>{{Fill("{B}/root/s.css"), 1}}));

    EXPECT_EQ(harvest("/missing.html"), std::vector<std::string>{Fill("{A}/ok.png")});
    EXPECT_EQ(window.LogShow.Text(),
              Fill("有 1 个样式表无法读取：{A}/gone.css：服务器回答 HTTP 404"));
    EXPECT_EQ(window.LogShow.ForeColor(), Colour::Rgb(255, 0, 0));
    EXPECT_EQ(window.LastRun(), RunOutcome::Listed);

    EXPECT_EQ(harvest("/deep.html").size(), 9u);
    EXPECT_EQ(window.LogShow.Text(), "已达到 8 层 @import 的上限，另有 1 个样式表未读取");
    EXPECT_EQ(window.LogShow.ForeColor(), Colour::Rgb(255, 0, 0));

    // Refused whole: the list stays.
    site->Put("/huge.html", "<p>" + std::string(16 << 20, 'x'), "text/html");
    EXPECT_EQ(harvest("/huge.html").size(), 9u);
    EXPECT_EQ(window.LogShow.Text(), Fill("无法读取网页“{A}/huge.html”：网页超过 16 MiB"));
    EXPECT_EQ(window.LastRun(), RunOutcome::ReadFailed);

    EXPECT_EQ(harvest("/plain.html"), std::vector<std::string>{});
    EXPECT_EQ(window.LogShow.Text(), "网页中没有找到样式表或图片链接。");
    EXPECT_EQ(window.LogShow.ForeColor(), Colour::Rgb(0, 0, 255));
}

}  // namespace
}  // namespace pixquarry
