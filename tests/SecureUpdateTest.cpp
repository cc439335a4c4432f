// Asked over https, the site must hand the updater over https too: a plain
// http address or a redirect to one ends in 软件升级失败！ and nothing runs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainF1.h"
#include "tests/fakes/FakeSeams.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/Transfers.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

TEST(SecureUpdate, TheUpdaterComesOverHttpsOrNotAtAll) {
    testing::TempFolder folder;
    const std::string certificate = (folder.Path() / "cert.pem").string();
    const std::string key = (folder.Path() / "key.pem").string();
    // A certificate and key for 127.0.0.1, made for the test.
    const std::string make =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
        key + "' -out '" + certificate + "' 2>/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    testing::TestHttpServer site(certificate, key);
    testing::TestHttpServer plain;
    int plainRequests = 0;
    plain.Routes().Get("/Update.exe", [&](const httplib::Request&, httplib::Response& res) {
        ++plainRequests;
        res.set_content("#!/bin/sh\n", "application/octet-stream");
    });
    plain.Start();
    std::string updater;
    site.Routes().Get(
        "/FileList/mysoft/Pixquarry/", [&](const httplib::Request&, httplib::Response& res) {
            res.set_content("101-KWKW-Pixquarry-KWKW-1.01-KWKW-" + updater + "-KWKW-/opt/new",
                            "text/plain");
        });
    site.Routes().Get("/Update.exe", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("#!/bin/sh\n", "application/octet-stream");
    });
    site.Routes().Get("/to-plain", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(plain.Url("/Update.exe"));
    });
    site.Start();

    struct Case {
        const char* name;
        std::string updater;
        bool handedOver;
    };
    const Case cases[] = {
        {"https all the way", site.Origin() + "/Update.exe", true},
        {"plain http", plain.Url("/Update.exe"), false},
        {"a redirect to plain http", site.Origin() + "/to-plain", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path program = folder.Path() / c.name;
        fs::create_directories(program);
        // An updater left from an earlier start must not run either.
        if (!c.handedOver)
            std::ofstream(program / "Update.exe") << "old";
        updater = c.updater;
        testing::RealTransfers net;
        net.engine.TrustOnly(certificate);
        testing::FakeSeams seams;
        seams.processes.reason.clear();
        seams.http = &net.http;
        seams.download = &net.downloader;
        seams.program = {program.string(), "pixquarry"};
        MainF1 window(seams.Make(), site.Origin());
        window.Form_Load();
        testing::Settle(net.loop, window);
        EXPECT_EQ(window.HandedOff(), c.handedOver);
        EXPECT_EQ(seams.processes.asked.size(), c.handedOver ? 1u : 0u);
        EXPECT_EQ(seams.box.shown,
                  std::vector<std::string>{c.handedOver ? "软件有更新，需要立即升级！"
                                                        : "软件升级失败！"});
    }
    EXPECT_EQ(plainRequests, 0);
}

}  // namespace
}  // namespace pixquarry
