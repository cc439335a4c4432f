#pragma once

// Code page 936 (GBK with the euro sign), the one place Pixquarry converts
// it: profile files, source files without a byte-order mark, the update reply.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pixquarry {

// Unconvertible characters become '?'.
std::string Utf8ToCodePage936(std::string_view text);
// Each byte that starts no character becomes U+FFFD.
std::string CodePage936ToUtf8(std::string_view bytes);

// One double-byte pair as UTF-8: at most three bytes, U+FFFD when the pair
// is not exactly one character.
struct CodePage936Pair {
    std::array<char, 3> bytes;
    std::uint8_t size;
};
// lead must be 0x80 or above.
const CodePage936Pair& CodePage936PairAt(unsigned char lead, unsigned char trail);

}  // namespace pixquarry
