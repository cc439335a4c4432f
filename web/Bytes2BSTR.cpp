#include "web/Bytes2BSTR.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

#include "platform/common/CodePage936.h"

namespace pixquarry {

namespace {}  // namespace

Bytes2BstrResult bytes2BSTR(std::string_view vIn, Clock& clock) {
    Bytes2BstrResult result;
    if (vIn.empty())
        return result;
    // ASCII keeps its size and a pair grows to at most three bytes.
    std::string& text = result.text;
    text.resize(vIn.size() + vIn.size() / 2 + 1);
    char* out = text.data();

    const double start = std::round(clock.Now());
    const auto* p = reinterpret_cast<const unsigned char*>(vIn.data());
    const auto* const end = p + vIn.size();
    while (p < end) {
        if (*p < 0x80) {
            *out++ = static_cast<char>(*p++);
        } else if (end - p == 1) {
            result.ending = Bytes2BstrResult::Ending::MissingTrailByte;
            break;
        } else {
            const CodePage936Pair& pair = CodePage936PairAt(p[0], p[1]);
            out = std::copy_n(pair.bytes.begin(), pair.size, out);
            p += 2;
        }
        // A read per character keeps a stepping test clock exact; with
        // SteadyClock these reads are most of the time (16 MiB: ~0.6 s of which
        // ~0.1 s decoding).
        if (std::floor(clock.Now() - start) > 5) {
            result.ending = Bytes2BstrResult::Ending::TimedOut;
            break;
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return result;
}

}  // namespace pixquarry
