// The hover preview's logic without a display: what is fetched first, what is
// kept, against trickling servers on 127.0.0.1.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/MainF1.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

// Two pictures that trickle in hold both places; the one under the pointer
// still comes at once, and one kept is shown again without a request.
TEST(HoverPreview, ThePictureUnderThePointerComesFirstAndKeptOnesAreNotAskedAgain) {
    std::atomic<bool> over{false};
    std::atomic<int> asked{0}, small{0};
    std::array<testing::TestHttpServer, 2> sites;
    for (testing::TestHttpServer& site : sites) {
        site.Routes().Get("/slow.jpg", [&](const httplib::Request&, httplib::Response& res) {
            ++asked;
            res.set_chunked_content_provider("image/jpeg", [&](size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                return !over && sink.write("x", 1);
            });
        });
        site.Routes().Get("/small.jpg", [&](const httplib::Request&, httplib::Response& res) {
            ++small;
            res.set_content("tiny", "image/jpeg");
        });
        site.Start();
    }
    const std::unique_ptr<std::atomic<bool>, void (*)(std::atomic<bool>*)> ending(
        &over, [](std::atomic<bool>* flag) { *flag = true; });  // before the servers stop
    testing::RealTransfers net;
    EngineHttpClient pictures(net.engine, PreviewLimits());
    testing::CountingThumbnailMaker maker(net.loop);
    testing::FakeSeams seams;
    seams.pictures = &pictures;
    seams.thumbnails = &maker;
    MainF1 window(seams.Make());
    std::vector<std::string> shown;
    window.Preview.OnShow([&](const std::string& link, const Thumbnail* picture) {
        shown.push_back(link + (picture ? " " + picture->facts : " …"));
    });
    const std::string tiny = sites[0].Url("/small.jpg");
    window.GetPic.AddItems({sites[0].Url("/slow.jpg"), sites[1].Url("/slow.jpg"), tiny, "a.png"});
    const auto rest = [&](const std::string& link) {
        const std::vector<std::string> items = testing::ListItems(window.GetPic);
        window.GetPic.Rest(
            static_cast<int>(std::find(items.begin(), items.end(), link) - items.begin()));
    };
    const auto within = [&](int ms, const std::function<bool()>& done) {
        bool late = false;
        const int timer = net.loop.StartTimer(std::chrono::milliseconds(ms), [&] { late = true; });
        net.loop.RunUntil([&] { return late || done(); });
        net.loop.StopTimer(timer);
        return done();
    };
    for (int i = 0; i < 2; ++i) {
        rest(sites[i].Url("/slow.jpg"));
        ASSERT_TRUE(within(2000, [&] { return asked == i + 1; }));
    }
    rest(tiny);
    ASSERT_TRUE(within(1000, [&] { return !shown.empty() && shown.back() == tiny + " 4 字节"; }))
        << shown.back();
    EXPECT_EQ(maker.urgentCount, 1) << "the picture under the pointer is made first";
    rest(sites[0].Url("/slow.jpg"));
    rest(tiny);
    rest("a.png");
    EXPECT_EQ(shown.back(), "a.png 无法预览：不是完整的网址");
    EXPECT_EQ(shown.at(shown.size() - 2), tiny + " 4 字节") << "kept";
    EXPECT_EQ(small, 1);
    window.GetPic.SetEnabled(false);
    rest(tiny);
    EXPECT_EQ(shown.back(), "a.png 无法预览：不是完整的网址") << "a disabled list takes no hover";
}

}  // namespace
}  // namespace pixquarry
