// Source decoding: any bytes give well-formed UTF-8, RepairUtf8 replaces
// exactly the bytes that start no well-formed sequence, and text behind a
// UTF-8, UTF-16LE or UTF-16BE byte-order mark comes back unchanged.

#include <cstdint>
#include <string>

#include "extract/SourceText.h"
#include "fuzz/FuzzCheck.h"

namespace {

using pixquarry::fuzz::WellFormedLength;

// Every byte that starts no well-formed sequence becomes U+FFFD.
std::string Repaired(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0, n = 1; i < bytes.size(); i += n) {
        n = WellFormedLength(bytes, i);
        out += n == 0 ? std::string_view("\xEF\xBF\xBD") : bytes.substr(i, n);
        n += n == 0;
    }
    return out;
}

// Well-formed UTF-8 as UTF-16 behind its byte-order mark.
std::string Utf16(std::string_view text, bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    const auto put = [&](char32_t u) {
        out += static_cast<char>(big ? u >> 8 : u);
        out += static_cast<char>(big ? u : u >> 8);
    };
    for (std::size_t i = 0, n = 1; i < text.size(); i += n) {
        n = WellFormedLength(text, i);
        char32_t c = static_cast<unsigned char>(text[i]) & (n == 1 ? 0x7F : 0x7F >> n);
        for (std::size_t k = 1; k < n; ++k)
            c = c << 6 | (text[i + k] & 0x3F);
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + (c & 0x3FF);
        }
        put(c);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixquarry;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeSourceText(bytes);
    const std::string repaired = RepairUtf8(bytes);
    FUZZ_CHECK(Repaired(text) == text && repaired == Repaired(bytes));
    FUZZ_CHECK(IsValidUtf8(bytes) == (repaired == bytes));
    // Valid UTF-8 without a mark is taken as it is.
    if (IsValidUtf8(bytes) && !bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF") &&
        !bytes.starts_with("\xEF\xBB\xBF"))
        FUZZ_CHECK(text == bytes);
    FUZZ_CHECK(DecodeSourceText("\xEF\xBB\xBF" + repaired) == repaired);
    FUZZ_CHECK(DecodeSourceText(Utf16(repaired, false)) == repaired);
    FUZZ_CHECK(DecodeSourceText(Utf16(repaired, true)) == repaired);
    return 0;
}
