#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/UpdateReply.h"

namespace pixquarry {
namespace {

// fuzz_reply joins every reply's fields back, and no field holds a separator,
// which leaves one way to cut a reply unless separators overlap. The line-end
// rows keep the last field, NewSoftPath, whole at start-up.
TEST(SplitReply, CutsAtEverySeparator) {
    struct Case {
        const char* name;
        std::string reply;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"overlap goes to the first", "a-KWKW-KWKW-b", {"a", "KWKW-b"}},
        {"the closing CR LF is dropped", "a-KWKW-b\r\n", {"a", "b"}},
        {"so is a closing LF, once", "a-KWKW-b\n\n", {"a", "b\n"}},
        {"a line end inside stays", "a\r\n-KWKW-b\r", {"a\r\n", "b\r"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitReply(c.reply), c.fields) << c.name;
}

// fuzz_reply checks the digits, the rounding to 15 of them and the read-back
// on every number; these rows pin the text: where exponents start and how they
// are written.
TEST(GeneralNumber, WritesFifteenSignificantDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const std::vector<Case> cases = {{-0.0, "0"},
                                     {999999999999999, "999999999999999"},
                                     {1e15, "1E+15"},
                                     {1.5e20, "1.5E+20"},
                                     {123456789012345678.0, "1.23456789012346E+17"},
                                     {0.0001, "0.0001"},
                                     {0.00001, "1E-05"},
                                     {-1.5e-7, "-1.5E-07"}};
    for (const Case& c : cases)
        EXPECT_EQ(GeneralNumber(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace pixquarry
