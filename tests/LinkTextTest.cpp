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

// fuzz_extract compares RepAll with a plain loop over the same removals on
// every input; these rows pin what the order of the removals means for a link.
TEST(RepAll, CleansRawMatchesIntoLinks) {
    const Case cases[] = {
        {"single quotes and parent folder", "url('../images/a.png'", "images/a.png"},
        {"backslash parent reference", "url(..\\img\\b.gif", "img/b.gif"},
        {"url inside a name goes too", "url(img/curl.png", "img/c.png"},
        {"only lower-case url goes", "URL(x.png", "URLx.png"},
        {"a quote inside url is removed first", "u'rl(a.png", "a.png"},
        {"removed text is not looked at again", "uurlrl(a.png", "urla.png"},
        {"three dots lose one parent step only", "url(.../a.png", ".a.png"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RepAll(c.in), c.out) << c.name;
}

}  // namespace
}  // namespace pixquarry
