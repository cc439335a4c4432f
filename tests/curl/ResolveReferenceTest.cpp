#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "extract/Harvest.h"
#include "extract/Reference.h"
#include "platform/curl/ResolveReference.h"

namespace pixquarry {
namespace {

constexpr char kBase[] = "http://h/css/site.css";

// fuzz_resolve holds every reference of a sheet to libcurl's own resolution
// (and to none for a bare fragment, another scheme or a NUL byte); these rows
// are how a match becomes the reference it resolves.
TEST(ResolveReference, ResolvesTheMatchAgainstTheSheet) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"url(../a.png", "http://h/a.png"},
        {"url('a b.png'", "http://h/css/a%20b.png"},
        {"URL(\"x.png\"", "http://h/css/x.png"},
        {"url( \t\r\n\f'x.png' \n", "http://h/css/x.png"},
        {"url('x.png\"", "http://h/css/'x.png\""},
        {"url(data:image/png;base64,iVBORw0KGgo=", std::nullopt},
        {"url(\"Data:image/svg+xml,<svg fill='rgb(1,2,3", std::nullopt},  // cut at its ")"
        {"url(''", std::nullopt},
    };
    for (const auto& [match, link] : cases)
        EXPECT_EQ(ResolveReference(kBase, ReferenceOf(match)), link) << match;
}

TEST(ResolveReference, NothingWithoutAnAbsoluteBase) {
    EXPECT_EQ(ResolveReference("css/site.css", "a.png"), std::nullopt);
    EXPECT_EQ(ResolveReference("", "a.png"), std::nullopt);
}

// libcurl takes C strings: the address would end at the NUL byte.
TEST(ResolveReference, NothingForAnAddressWithANulByte) {
    using namespace std::string_literals;
    EXPECT_EQ(ResolveReference(kBase, "a.png\0b.png"s), std::nullopt);
    EXPECT_EQ(ResolveReference("http://h/css/site.css\0x"s, "a.png"), std::nullopt);
}

TEST(SplitMatches, EveryMatchInOrder) {
    const std::vector<std::string_view> expected{"url(b.png", "URL( 'a b.png' ", "url(#m"};
    EXPECT_EQ(SplitMatches("url(b.png@@@@@URL( 'a b.png' @@@@@url(#m@@@@@"), expected);
    EXPECT_TRUE(SplitMatches("").empty());
}

}  // namespace
}  // namespace pixquarry
