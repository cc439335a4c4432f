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

TEST(DecodeSourceText, PicksTheEncoding) {
    const Case cases[] = {
        {"plain ASCII", "a{b:url(x.png)}", "a{b:url(x.png)}"},
        {"UTF-8 without mark", "背景:url(图.png)", "背景:url(图.png)"},
        {"UTF-8 mark is dropped",
         "\xEF\xBB\xBF"
         "中",
         "中"},
        {"UTF-16LE with a surrogate pair",
         "\xFF\xFE"
         "a\0"
         "\x2D\x4E"
         "\x3D\xD8\x00\xDE"s,
         "a中\xF0\x9F\x98\x80"},
        {"UTF-16BE",
         "\xFE\xFF"
         "\0u\0r\0l\x4E\x2D"s,
         "url中"},
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
        {"NUL bytes are kept", "a\0b"s, "a\0b"s},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeSourceText(c.bytes), c.text) << c.name;
}

}  // namespace
}  // namespace pixquarry
