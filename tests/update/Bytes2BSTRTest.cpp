#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/SteadyClock.h"
#include "tests/fakes/FakeSeams.h"
#include "web/Bytes2BSTR.h"

namespace pixquarry {
namespace {

using Ending = Bytes2BstrResult::Ending;

struct Case {
    const char* name;
    std::string body;
    std::string text;
    Ending ending = Ending::Complete;
    double start = 1000.0;
    double step = 0.0;
};

constexpr const char* kTen = "abcdefghij";
const std::string kTenChinese =
    "\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3";

// fuzz_bytes2bstr compares every body and clock with a decoder written from
// the rules below; these rows pin the rules themselves.
TEST(Bytes2BSTR, DecodesWithinTheTimeBudget) {
    const std::vector<Case> cases = {
        {"mixed in place", "a\xC4\xE3 b\xBA\xC3", "a你 b好"},
        {"an ASCII-looking trail belongs to its pair", "\xB0\x41", "癆"},
        {"a line feed as trail is eaten", "\xC4\nx", "\xEF\xBF\xBDx"},
        {"no such pair", "\x81\x30z", "\xEF\xBF\xBDz"},
        {"0x80 is a lead byte here", "\x80\x41", "\xEF\xBF\xBD"},
        {"lone lead byte at the end", "a\xC4\xE3\xC4", "a你", Ending::MissingTrailByte},
        // The clock is read once at the start and once after each character.
        {"a pair is one character", kTenChinese, "你你你你你你", Ending::TimedOut, 0.0, 1.0},
        {"start rounded down", kTen, "a", Ending::TimedOut, 1000.4, 5.7},
        {"start rounded up", kTen, "ab", Ending::TimedOut, 1000.6, 6.1},
        {"fractions of a second do not count", kTen, "ab", Ending::TimedOut, 1000.0, 5.5},
        {"the read after the last character counts", "abc", "abc", Ending::TimedOut, 0.0, 2.0},
        {"time runs out before a lone lead byte", "abcdef\xC4", "abcdef", Ending::TimedOut, 0.0,
         1.0},
    };
    for (const Case& c : cases) {
        testing::SteppingClock clock;
        clock.time = c.start;
        clock.step = c.step;
        const Bytes2BstrResult r = bytes2BSTR(c.body, clock);
        EXPECT_EQ(r.text, c.text) << c.name;
        EXPECT_EQ(r.ending, c.ending) << c.name;
    }
}

// Anything slower than linear runs out of time here long before the end.
TEST(Bytes2BSTR, LargeBodyWithinTheBudget) {
#ifdef PIXQUARRY_SANITIZED
    constexpr std::size_t kRepeats = 256 * 1024;
#else
    constexpr std::size_t kRepeats = 1024 * 1024;
#endif
    std::string body;
    std::string expected;
    for (std::size_t i = 0; i < kRepeats; ++i) {
        body += "url(\xC4\xE3\xBA\xC3.png); \n";  // 16 bytes
        expected += "url(你好.png); \n";
    }
    SteadyClock clock;
    const Bytes2BstrResult r = bytes2BSTR(body, clock);
    EXPECT_EQ(r.ending, Ending::Complete);
    EXPECT_TRUE(r.text == expected);
}

}  // namespace
}  // namespace pixquarry
