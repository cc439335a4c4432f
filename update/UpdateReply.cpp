#include "update/UpdateReply.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace pixquarry {

std::vector<std::string> SplitReply(std::string_view m) {
    constexpr std::string_view kSeparator = "-KWKW-";
    std::vector<std::string> fields;
    if (m.ends_with('\n'))
        m.remove_suffix(m.ends_with("\r\n") ? 2 : 1);
    if (m.empty())
        return fields;
    for (;;) {
        const std::size_t at = m.find(kSeparator);
        fields.emplace_back(m.substr(0, at));
        if (at == std::string_view::npos)
            return fields;
        m.remove_prefix(at + kSeparator.size());
    }
}

double ReadVersionField(std::string_view field) {
    // The number's characters without the blanks, in the form from_chars takes.
    std::string number;
    bool negative = false;
    bool digits = false;
    bool point = false;
    enum class Part { Sign, Mantissa, ExponentSign, Exponent } part = Part::Sign;
    std::size_t exponentAt = 0;
    for (const char c : field) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        const bool digit = c >= '0' && c <= '9';
        if (part == Part::Sign && (c == '+' || c == '-')) {
            negative = c == '-';
            part = Part::Mantissa;
        } else if ((part == Part::Sign || part == Part::Mantissa) && (digit || c == '.')) {
            if (c == '.' && point)
                break;
            point = point || c == '.';
            digits = digits || digit;
            number += c;
            part = Part::Mantissa;
        } else if (part == Part::Mantissa && digits && (c == 'E' || c == 'e')) {
            exponentAt = number.size();
            number += 'e';
            part = Part::ExponentSign;
        } else if (part == Part::ExponentSign && (c == '+' || c == '-' || digit)) {
            number += c;
            part = Part::Exponent;
        } else if (part == Part::Exponent && digit) {
            number += c;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    // An exponent without digits ("1E", "1E+") counts for nothing.
    if (exponentAt != 0 && (number.back() < '0' || number.back() > '9'))
        number.resize(exponentAt);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || value == 0.0)
        return 0.0;
    return negative ? -value : value;
}

std::string GeneralNumber(double v) {
    if (!std::isfinite(v))
        return v != v ? "NaN" : v < 0 ? "-Infinity" : "Infinity";
    if (v == 0.0)
        return "0";
    // d.dddddddddddddde±X: 15 significant digits, rounded, in any locale.
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(v),
                                            std::chars_format::scientific, 14);
    (void)error;  // 32 characters always suffice
    const std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = scientific.find('e');
    int exponent = 0;
    const char* exponentAt = scientific.data() + e + 1;
    if (*exponentAt == '+')
        ++exponentAt;
    std::from_chars(exponentAt, scientific.data() + scientific.size(), exponent);
    std::string digits;
    for (const char c : scientific.substr(0, e)) {
        if (c != '.')
            digits += c;
    }
    digits.erase(digits.find_last_not_of('0') + 1);

    std::string out = v < 0 ? "-" : "";
    if (exponent >= 15 || exponent < -4) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        const int size = std::abs(exponent);
        out += exponent < 0 ? "E-" : "E+";
        if (size < 10)
            out += '0';
        out += std::to_string(size);
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits;
            out.append(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole);
            out += '.';
            out.append(digits, whole);
        }
    }
    return out;
}

}  // namespace pixquarry
