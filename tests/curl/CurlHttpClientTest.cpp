#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "platform/curl/CurlHttpClient.h"
#include "tests/curl/PictureSite.h"

namespace pixquarry {
namespace {

using testing::PictureSite;

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
