// Sheet and page decoding on any bytes, with the server's charset and the
// referring page's encoding picked by the first byte: always well-formed
// UTF-8, and a megabyte takes under a second.

#include <cstdint>
#include <string>

#include "extract/SheetText.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixquarry;
    static const char* const kLabels[] = {"",          "utf-8",      "gbk",      "big5",
                                          "shift_jis", "utf-16le",   "utf-16be", "iso-8859-1",
                                          "euc-kr",    "x-unknown-8"};
    if (size == 0)
        return 0;
    const std::string http = kLabels[data[0] % 10], referrer = kLabels[data[0] / 10 % 10];
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    FUZZ_CHECK(fuzz::IsWellFormed(DecodeSheetText(bytes, http, referrer).text));
    FUZZ_CHECK(fuzz::IsWellFormed(DecodePageText(bytes, referrer).text));
    fuzz::CheckLinearTime(bytes,
                          [&](const std::string& big) { DecodeSheetText(big, http, referrer); });
    fuzz::CheckLinearTime(bytes, [&](const std::string& big) { DecodePageText(big, referrer); });
    return 0;
}
