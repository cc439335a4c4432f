#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "platform/curl/CurlHttpClient.h"
#include "tests/curl/PictureSite.h"
#include "tests/support/QuietPort.h"

namespace pixquarry {
namespace {

using testing::PictureSite;
using testing::QuietPort;

struct Answer {
    const char* name;
    const char* path;
    long status;
    std::string body;
};

void PrintTo(const Answer& c, std::ostream* os) {
    *os << c.name;
}

class ReturnsWholeResponse : public ::testing::TestWithParam<Answer> {};

TEST_P(ReturnsWholeResponse, WhateverTheStatus) {
    PictureSite site;
    CurlHttpClient client(UpdateCheckLimits());
    const HttpResponse r = client.Get(site.Url(GetParam().path));
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.status, GetParam().status);
    EXPECT_TRUE(r.body == GetParam().body);
    EXPECT_EQ(r.error, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReturnsWholeResponse,
    ::testing::Values(Answer{"NotFoundWithBody", "/missing", 404, "not here"},
                      Answer{"Redirected", "/moved", 200, PictureSite::Picture()},
                      Answer{"NoRefererOwnUserAgent", "/echo", 200, "|Pixquarry/1.00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CurlHttpClient, RefusedConnectionGivesLibcurlMessage) {
    QuietPort port(QuietPort::Mode::Refuse);
    CurlHttpClient client(UpdateCheckLimits());
    const HttpResponse r = client.Get(port.Url("/version"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, 0);
    // The error buffer's detail, not only the code's generic text.
    EXPECT_NE(r.error.find("127.0.0.1"), std::string::npos) << r.error;
}

TEST(CurlHttpClient, SilentServerHitsTotalTimeout) {
    QuietPort port(QuietPort::Mode::Silent);
    TransferLimits limits;
    limits.totalTimeout = std::chrono::milliseconds(800);
    CurlHttpClient client(limits);
    const auto start = std::chrono::steady_clock::now();
    const HttpResponse r = client.Get(port.Url("/version"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("timed out"), std::string::npos) << r.error;
}

TEST(CurlHttpClient, BodyLargerThanMaxBytesFails) {
    PictureSite site;
    const auto size = static_cast<std::int64_t>(PictureSite::Picture().size());
    for (const std::int64_t maxBytes : {size, size - 1}) {
        TransferLimits limits;
        limits.maxBytes = maxBytes;
        CurlHttpClient client(limits);
        const HttpResponse r = client.Get(site.Url("/pic.png"));
        EXPECT_EQ(r.ok, maxBytes == size) << maxBytes;
        if (!r.ok) {
            EXPECT_EQ(r.error, "响应超过 " + std::to_string(maxBytes) + " 字节");
        }
    }
}

}  // namespace
}  // namespace pixquarry
