// bytes2BSTR against a character-by-character decoder written from its rules,
// with iconv's code page 936 for the pairs and a fake clock that moves by
// steps the input chooses.

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "web/Bytes2BSTR.h"

namespace {

using namespace pixquarry;

// Starts at `start` and moves on after every read by the next of `steps`
// (bytes, in 64ths of a second), round and round.
struct FakeClock final : Clock {
    FakeClock(double start, std::string_view steps) : now(start), steps(steps) {}
    double Now() override {
        const double then = now;
        now += static_cast<unsigned char>(steps[reads++ % steps.size()]) / 64.0;
        return then;
    }
    double now;
    std::string_view steps;
    std::size_t reads = 0;
};

// A pair's character, or U+FFFD when the two bytes are not exactly one.
std::string PairText(const char* pair) {
    static const iconv_t cd = iconv_open("UTF-8", "CP936");
    char out[8];
    char* in = const_cast<char*>(pair);
    char* to = out;
    std::size_t inLeft = 2, outLeft = sizeof out;
    const bool whole = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const std::string text(out, static_cast<std::size_t>(to - out));
    const bool one = !text.empty() && fuzz::WellFormedLength(text, 0) == text.size();
    return whole && one ? text : "\xEF\xBF\xBD";
}

// The clock is read before the first character and after each one; more
// than 5 whole seconds since the first read (rounded) stop the decoding.
Bytes2BstrResult Expected(std::string_view body, Clock& clock) {
    Bytes2BstrResult result;
    const double start = body.empty() ? 0 : std::round(clock.Now());
    for (std::size_t i = 0; i < body.size();) {
        if (static_cast<unsigned char>(body[i]) < 0x80) {
            result.text += body[i++];
        } else if (i + 1 == body.size()) {
            result.ending = Bytes2BstrResult::Ending::MissingTrailByte;
            break;
        } else {
            result.text += PairText(&body[i]);
            i += 2;
        }
        if (std::floor(clock.Now() - start) > 5) {
            result.ending = Bytes2BstrResult::Ending::TimedOut;
            break;
        }
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two bytes for the start, one for the number of steps, the steps, the body.
    if (size < 4)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const double start = data[0] * 10.0 + data[1] / 256.0;
    const std::string_view steps =
        input.substr(3, std::min<std::size_t>(data[2] % 4 + 1, size - 3));
    const std::string_view body = input.substr(3 + steps.size());
    FakeClock clock(start, steps), oracleClock(start, steps);
    const Bytes2BstrResult result = bytes2BSTR(body, clock);
    const Bytes2BstrResult expected = Expected(body, oracleClock);
    FUZZ_CHECK(result.text == expected.text && result.ending == expected.ending);
    return 0;
}
