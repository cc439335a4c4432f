#include <gtest/gtest.h>

#include <string>

#include "extract/SourceText.h"

namespace pixquarry {
namespace {

using namespace std::string_literals;

struct Case {
    const char* name;
    std::string bytes;
    std::string text;
};

// Valid UTF-8 kept as it is and text behind a UTF-8 or UTF-16 mark coming back
// unchanged are fuzz_decode's round trips on every input; these rows are the
// code page 936 fallback and the replacements, whose exact text it leaves open.
TEST(DecodeSourceText, PicksTheEncoding) {
    const Case cases[] = {
        {"GBK when not UTF-8", "url(\xD6\xD0\xCE\xC4.png)", "url(中文.png)"},
        {"code page 936 has the euro sign", "\x80", "€"},
        {"undecodable GBK byte",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"GBK lead byte at the very end", "\xD6\xD0\xD6", "中\xEF\xBF\xBD"},
        {"broken UTF-8 after a mark",
         "\xEF\xBB\xBF"
         "a\xC3",
         "a\xEF\xBF\xBD"},
        {"lone surrogate in UTF-16",
         "\xFF\xFE\x00\xD8"
         "a\0"s,
         "\xEF\xBF\xBD"
         "a"},
        {"odd UTF-16 length",
         "\xFF\xFE"
         "a\0b"s,
         "a\xEF\xBF\xBD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeSourceText(c.bytes), c.text) << c.name;
}

}  // namespace
}  // namespace pixquarry
