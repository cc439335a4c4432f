#include "extract/SourceText.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/common/CodePage936.h"

namespace pixquarry {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    auto unit = [&](std::size_t i) -> char16_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            out += kReplacement;
        } else {
            AppendUtf8(out, u);
        }
    }
    if (i < bytes.size())
        out += kReplacement;  // an odd last byte
    return out;
}

// Length of the valid UTF-8 sequence at p (a run of ASCII counts as one), or 0.
std::size_t ValidSequenceLength(const unsigned char* p, const unsigned char* end) {
    if (end - p >= 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, p, 8);
        if ((chunk & 0x8080808080808080ULL) == 0)
            return 8;
    }
    const unsigned char c = *p;
    if (c < 0x80)
        return 1;
    std::size_t n;
    char32_t min;
    char32_t cp;
    if ((c & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < n)
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

}  // namespace

std::string RepairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const std::size_t n = ValidSequenceLength(p, end);
        if (n == 0) {
            out += kReplacement;
            ++p;
        } else {
            out.append(reinterpret_cast<const char*>(p), n);
            p += n;
        }
    }
    return out;
}

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const std::size_t n = ValidSequenceLength(p, end);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

std::string DecodeSourceText(std::string bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
        if (IsValidUtf8(bytes))
            return bytes;
        return RepairUtf8(bytes);
    }
    if (StartsWith(bytes, "\xFF\xFE"))
        return FromUtf16(std::string_view(bytes).substr(2), false);
    if (StartsWith(bytes, "\xFE\xFF"))
        return FromUtf16(std::string_view(bytes).substr(2), true);
    if (IsValidUtf8(bytes))
        return bytes;
    return CodePage936ToUtf8(bytes);
}

}  // namespace pixquarry
