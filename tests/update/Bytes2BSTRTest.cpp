#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/SteadyClock.h"
#include "tests/fakes/FakeSeams.h"
#include "web/Bytes2BSTR.h"

namespace pixquarry {
namespace {

using Ending = Bytes2BstrResult::Ending;

// fuzz_bytes2bstr holds every body and clock to a decoder written from the
// rules: iconv for the pairs, a clock read before the first character and
// after each one, more than 5 whole seconds since the rounded first read.
// Here a large body: anything slower than linear runs out of time long before
// the end.
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
