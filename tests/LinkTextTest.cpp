#include <gtest/gtest.h>

#include <string>

#include "extract/LinkText.h"

namespace pixquarry {
namespace {

struct Case {
    const char* name;
    std::string in;
    std::string out;
};

TEST(RepAll, CleansRawMatchesIntoLinks) {
    const Case cases[] = {
        {"single quotes and parent folder", "url('../images/a.png'", "images/a.png"},
        {"backslash parent reference", "url(..\\img\\b.gif", "img/b.gif"},
        {"all spaces go", "url(  x y.png", "xy.png"},
        {"url inside a name goes too", "url(img/curl.png", "img/c.png"},
        {"only lower-case url goes", "URL(x.png", "URLx.png"},
        {"parent reference in the middle", "url(a/../b.png", "a/b.png"},
        {"double quotes", "url(\"a.png\"", "a.png"},
        {"a quote inside url is removed first", "u'rl(a.png", "a.png"},
        {"removed text is not looked at again", "uurlrl(a.png", "urla.png"},
        {"tabs and line ends stay", "url(\ta\r\n.png", "\ta\r\n.png"},
        {"three dots lose one parent step only", "url(.../a.png", ".a.png"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RepAll(c.in), c.out) << c.name;
}

}  // namespace
}  // namespace pixquarry
