#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "extract/Harvest.h"
#include "extract/Reference.h"
#include "platform/curl/ResolveReference.h"

namespace pixquarry {
namespace {

constexpr char kBase[] = "http://h/css/site.css";

struct Resolved {
    const char* name;
    std::string match;  // as RegExpTest finds it: up to, not including, the ")"
    std::optional<std::string> link;
};

void PrintTo(const Resolved& c, std::ostream* os) {
    *os << c.name;
}

class ResolvesMatch : public ::testing::TestWithParam<Resolved> {};

TEST_P(ResolvesMatch, AgainstSheetAddress) {
    EXPECT_EQ(ResolveReference(kBase, ReferenceOf(GetParam().match)), GetParam().link);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolvesMatch,
    ::testing::Values(Resolved{"Relative", "url(a.png", "http://h/css/a.png"},
                      Resolved{"Parent", "url(../a.png", "http://h/a.png"},
                      Resolved{"Rooted", "url(/a.png", "http://h/a.png"},
                      Resolved{"OtherHost", "url(//cdn.example/a.png", "http://cdn.example/a.png"},
                      Resolved{"QueryOnly", "url(?q", "http://h/css/site.css?q"},
                      Resolved{"FragmentOnly", "url(#frag", std::nullopt},
                      Resolved{"FragmentDropped", "url(icons.svg#home", "http://h/css/icons.svg"},
                      Resolved{"SingleQuotesAndSpace", "url('a b.png'", "http://h/css/a%20b.png"},
                      Resolved{"DoubleQuotesAnyCase", "URL(\"x.png\"", "http://h/css/x.png"},
                      Resolved{"Blanks", "url( \t\r\n\f'x.png' \n", "http://h/css/x.png"},
                      Resolved{"UnmatchedQuotesStay", "url('x.png\"", "http://h/css/'x.png\""},
                      Resolved{"NonAscii", "url(图.png", "http://h/css/%e5%9b%be.png"},
                      Resolved{"Data", "url(data:image/png;base64,iVBORw0KGgo=", std::nullopt},
                      Resolved{"Script", "url(javascript:alert(1", std::nullopt},
                      Resolved{"EmptyQuotes", "url(''", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

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
