#include <gtest/gtest.h>

#include <string>

#include "extract/UrlMatches.h"

namespace pixquarry {
namespace {

TEST(RegExpTest, JoinsEveryMatchWithTheSeparator) {
    EXPECT_EQ(RegExpTest(kUrlPattern, "no references here"), "");
    EXPECT_EQ(RegExpTest(kUrlPattern, "a url(x.png) b url('y.gif')"),
              "url(x.png@@@@@url('y.gif'@@@@@");
    EXPECT_EQ(RegExpTest(kUrlPattern, "URL(X.PNG)"), "URL(X.PNG@@@@@");
    // The pattern's own lookahead sees the ")" of an empty url(): four characters match.
    EXPECT_EQ(RegExpTest(kUrlPattern, "url()"), "url(@@@@@");
    // An unclosed reference swallows the next one, line ends included.
    EXPECT_EQ(RegExpTest(kUrlPattern, "url(a\nurl(b.png)"), "url(a\nurl(b.png@@@@@");
    // With no ")" after it, nothing more matches.
    EXPECT_EQ(RegExpTest(kUrlPattern, "url(a.png) url(b.png url(c.png"), "url(a.png@@@@@");
}

TEST(RegExpTest, LongReferencesDoNotExhaustTheEngine) {
    const std::string data = "url(data:image/png;base64," + std::string(512 * 1024, 'A') + ")";
    const std::string expected = data.substr(0, data.size() - 1) + "@@@@@";
    EXPECT_EQ(RegExpTest(kUrlPattern, data), expected);
    EXPECT_EQ(RegExpTestWithEngine(kUrlPattern, data), expected);
}

TEST(RegExpTest, EngineTakesOtherPatterns) {
    EXPECT_EQ(RegExpTest("[0-9]+", "a1b22c"), "1@@@@@22@@@@@");
    // An empty match moves on by one character instead of looping.
    EXPECT_EQ(RegExpTest("x*", "ab"), "@@@@@@@@@@@@@@@");
}

}  // namespace
}  // namespace pixquarry
