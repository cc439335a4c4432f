// The update reply: its fields join back into the reply (less a closing line
// end), each field's number is what the C library reads from the field without
// its blanks, and GeneralNumber's text reads back as the number rounded to 15
// digits.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "update/UpdateReply.h"

namespace {

using namespace pixquarry;

// Blanks go; the C library reads up to the first character no number has.
double ExpectedNumber(std::string_view field) {
    std::string number;
    for (const char c : field) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if (c == '\0' || std::strchr("0123456789.eE+-", c) == nullptr)
            break;
        number += c;
    }
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isinf(value) ? 0.0 : value;
}

void CheckGeneralNumber(double v) {
    // At most 15 digits before any exponent (zeros in front aside), and no
    // fraction that ends in 0.
    const std::string text = GeneralNumber(v);
    const std::string mantissa = text.substr(0, text.find('E'));
    std::string digits;
    for (const char c : mantissa) {
        if (c >= '0' && c <= '9' && (c != '0' || !digits.empty()))
            digits += c;
    }
    FUZZ_CHECK(!std::isfinite(v) || digits.size() <= 15);
    FUZZ_CHECK(mantissa.find('.') == std::string::npos || mantissa.back() != '0');
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%.14e", v);
    const double expected = std::strtod(rounded, nullptr);
    if (std::isfinite(expected))
        FUZZ_CHECK(ReadVersionField(text) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    // The reply without the one line end (CR LF or LF) that may close it.
    std::string body = reply;
    body.resize(size - (reply.ends_with("\r\n") ? 2 : reply.ends_with('\n') ? 1 : 0));
    std::string joined;
    for (const std::string& field : SplitReply(reply)) {
        FUZZ_CHECK(field.find("-KWKW-") == std::string::npos);
        joined += "-KWKW-" + field;
        const double number = ReadVersionField(field);
        FUZZ_CHECK(number == ExpectedNumber(field));
        CheckGeneralNumber(number);
    }
    // Each field behind a separator: the body behind one more.
    FUZZ_CHECK(joined == (body.empty() ? "" : "-KWKW-" + body));
    // The first eight bytes as a double, of any kind.
    double v = 0;
    std::memcpy(&v, data, std::min(sizeof v, size));
    CheckGeneralNumber(v);
    return 0;
}
