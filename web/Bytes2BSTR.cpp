#include "web/Bytes2BSTR.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

#include "platform/posix/IconvHandle.h"

namespace pixquarry {

namespace {

struct PairText {
    std::array<char, 3> bytes;
    std::uint8_t size;
};

constexpr PairText kReplacement{{'\xEF', '\xBF', '\xBD'}, 3};

// Index: (lead - 0x80) * 256 + trail.
using PairTable = std::array<PairText, 128 * 256>;

// True when the UTF-8 in `text` is exactly one character.
bool IsOneCharacter(const char* text, std::size_t size) {
    const auto first = static_cast<unsigned char>(text[0]);
    const std::size_t expected = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
    return size == expected;
}

// Code page 936 is stateless, so converting every pair once up front gives
// what converting each pair of a body would, without an iconv call per pair.
std::unique_ptr<const PairTable> BuildPairTable() {
    auto table = std::make_unique<PairTable>();
    table->fill(kReplacement);
    const IconvHandle cd("UTF-8", "CP936");
    if (!cd.Ok())
        return table;
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[16];
            char* in = pair;
            std::size_t inLeft = 2;
            char* dst = out;
            std::size_t outLeft = sizeof out;
            const std::size_t rc = iconv(cd.get(), &in, &inLeft, &dst, &outLeft);
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
            const auto size = static_cast<std::size_t>(dst - out);
            if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || size == 0 || size > 3 ||
                !IsOneCharacter(out, size))
                continue;
            PairText& entry = (*table)[(lead - 0x80) * 256 + trail];
            std::copy(out, out + size, entry.bytes.begin());
            entry.size = static_cast<std::uint8_t>(size);
        }
    }
    return table;
}

const PairTable& Pairs() {
    static const std::unique_ptr<const PairTable> table = BuildPairTable();
    return *table;
}

}  // namespace

Bytes2BstrResult bytes2BSTR(std::string_view vIn, Clock& clock) {
    Bytes2BstrResult result;
    if (vIn.empty())
        return result;
    const PairTable& pairs = Pairs();
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
            const PairText& pair = pairs[(p[0] - 0x80u) * 256u + p[1]];
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
