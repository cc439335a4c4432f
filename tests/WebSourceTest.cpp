// Stylesheets named by address, and files or addresses dropped on the window.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/MainF1.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

constexpr char kCss[] = ".a{background:url(img/a.png)}\n.b{background:url('img/b.gif')}\n";

class WebSource : public ::testing::Test {
protected:
    void SetUp() override {
        httplib::Server& routes = m_server.Routes();
        routes.Get("/site.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kCss, "text/css");
        });
        routes.Get("/moved.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/site.css");
        });
        routes.Get("/gone.css", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content(".x{background:url(never.png)}", "text/css");
        });
        // Alive, but 4 bytes every 100 ms, for 3 s; of a type the server does not
        // compress, which would hold the pieces back.
        routes.Get("/trickle.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [n = 0](size_t, httplib::DataSink& sink) mutable {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    return ++n < 30 && sink.write("/**/", 4);
                });
        });
        m_server.Start();
        m_seams.pages = &m_pages;
        window = std::make_unique<MainF1>(m_seams.Make());
        window->WebUrl.SetText("D/");
    }
    std::vector<std::string> Items() const { return testing::ListItems(window->GetPic); }
    void Harvest(const std::string& source) {
        window->OFile1.SetText(source);
        window->SearchPic.Click();
        testing::Settle(m_net.loop, *window);
    }

    void TearDown() override { m_closing = true; }

    std::atomic<bool> m_closing{false};
    testing::TestHttpServer m_server;
    testing::RealTransfers m_net;
    // The sources' stall guard, over a second here, not 20.
    EngineHttpClient m_pages{m_net.engine, [] {
                                 TransferLimits limits = SourceFetchLimits();
                                 limits.stallTime = std::chrono::seconds(1);
                                 return limits;
                             }()};
    testing::FakeSeams m_seams;
    std::unique_ptr<MainF1> window;
};

TEST_F(WebSource, AStylesheetByAddressIsHarvestedLikeAFile) {
    const std::vector<std::string> expected = {"D/img/a.png", "D/img/b.gif"};
    for (const std::string path : {"/site.css", "/moved.css"}) {
        window->GetPic.Clear();
        Harvest(m_server.Url(path));
        EXPECT_EQ(window->LastRun(), RunOutcome::Listed) << path;
        EXPECT_EQ(Items(), expected) << path;
        EXPECT_EQ(window->LogShow.Text(), "图片链接已完成载入列表。") << path;
    }
}

TEST_F(WebSource, AFailedFetchIsReportedAndTheListKept) {
    Harvest(m_server.Url("/site.css"));
    const std::vector<std::string> kept = Items();
    struct Case {
        std::string url;
        std::string reason;  // how the reason begins
        bool serverGone;
    };
    for (const Case& c :
         std::vector<Case>{{m_server.Url("/gone.css"), "服务器回答 HTTP 404", false},
                           {m_server.Url("/trickle.css"), "服务器长时间没有发送数据", false},
                           {m_server.Url("/site.css"), "无法连接到服务器 127.0.0.1:", true}}) {
        if (c.serverGone) {
            m_closing = true;
            m_server.Stop();
        }
        Harvest(c.url);
        EXPECT_EQ(window->LastRun(), RunOutcome::ReadFailed) << c.url;
        const std::string head = "无法下载网页“" + c.url + "”：" + c.reason;
        EXPECT_EQ(window->LogShow.Text().substr(0, head.size()), head);
        EXPECT_EQ(Items(), kept) << c.url;
    }
}

}  // namespace
}  // namespace pixquarry
