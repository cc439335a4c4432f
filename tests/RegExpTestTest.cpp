#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "extract/RegExpTest.h"

namespace pixquarry {
namespace {

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(PIXQUARRY_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

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

// The fast path must give exactly what the engine gives.
TEST(RegExpTest, FastPathAgreesWithEngineOnGeneratedText) {
    const char* const pieces[] = {"u", "r",  "l", "U",  "R",  "L", "(",  ")", "url(", "URL(",
                                  "'", "\"", ".", "\n", "\r", " ", "中", "a", "uRl(", "\\"};
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 60);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n)
            text += pieces[pick(random)];
        ASSERT_EQ(FindUrlReferences(text), RegExpTestWithEngine(kUrlPattern, text)) << text;
    }
}

TEST(RegExpTest, FastPathAgreesWithEngineOnRealStyleSheets) {
    for (const char* name : {"chosen-1.8.7/chosen.css", "leaflet-1.9.4/leaflet.css",
                             "bootstrap-3.4.1/bootstrap.css"}) {
        const std::string text = ReadData(name);
        ASSERT_FALSE(text.empty()) << name;
        const std::string fast = FindUrlReferences(text);
        EXPECT_NE(fast, "") << name;
        EXPECT_EQ(fast, RegExpTestWithEngine(kUrlPattern, text)) << name;
    }
}

}  // namespace
}  // namespace pixquarry
