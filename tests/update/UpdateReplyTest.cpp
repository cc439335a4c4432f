#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/UpdateReply.h"

namespace pixquarry {
namespace {

TEST(SplitReply, CutsAtEverySeparator) {
    struct Case {
        const char* name;
        std::string reply;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"empty reply has no fields", "", {}},
        {"no separator", "abc", {"abc"}},
        {"separator alone", "-KWKW-", {"", ""}},
        {"full reply",
         "101-KWKW-Pixquarry-KWKW-1.01-KWKW-http://h/Update.exe-KWKW-p",
         {"101", "Pixquarry", "1.01", "http://h/Update.exe", "p"}},
        {"empty field kept", "a-KWKW--KWKW-b", {"a", "", "b"}},
        {"trailing separator", "a-KWKW-", {"a", ""}},
        {"letter case matters", "a-kwkw-b", {"a-kwkw-b"}},
        {"overlap goes to the first", "a-KWKW-KWKW-b", {"a", "KWKW-b"}},
        {"the closing CR LF is dropped", "a-KWKW-b\r\n", {"a", "b"}},
        {"so is a closing LF, once", "a-KWKW-b\n\n", {"a", "b\n"}},
        {"a line end inside stays", "a\r\n-KWKW-b\r", {"a\r\n", "b\r"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitReply(c.reply), c.fields) << c.name;
}

TEST(ReadVersionField, ReadsTheLeadingNumber) {
    struct Case {
        const char* field;
        double value;
    };
    const std::vector<Case> cases = {
        {"101", 101},   {"101abc", 101}, {"1.5", 1.5},     {"0101", 101},
        {"abc", 0},     {"", 0},         {"1 01", 101},    {" \t\n101", 101},
        {"\r101", 0},   {"1\r01", 1},    {"100\r\n", 100}, {"1E2", 100},
        {"1e-1", 0.1},  {"1 E 2", 100},  {"1E", 1},        {"1E+x", 1},
        {"-2.5", -2.5}, {"+3", 3},       {"- 1 0", -10},   {"1.2.3", 1.2},
        {".5", 0.5},    {"5.", 5},       {"-", 0},         {".", 0},
        {"E5", 0},      {"1,000", 1},    {"1E400", 0},     {"\xEF\xBC\x91", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadVersionField(c.field), c.value) << '"' << c.field << '"';
}

TEST(GeneralNumber, WritesFifteenSignificantDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const std::vector<Case> cases = {
        {101, "101"},
        {100, "100"},
        {1.5, "1.5"},
        {100.25, "100.25"},
        {1.01, "1.01"},
        {0.1 + 0.2, "0.3"},
        {0.5, "0.5"},
        {-2, "-2"},
        {0, "0"},
        {-0.0, "0"},
        {2.0 / 3.0, "0.666666666666667"},
        {12345.678901234567, "12345.6789012346"},
        {999999999999999, "999999999999999"},
        {1e15, "1E+15"},
        {1.5e20, "1.5E+20"},
        {123456789012345678.0, "1.23456789012346E+17"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {-1.5e-7, "-1.5E-07"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GeneralNumber(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace pixquarry
