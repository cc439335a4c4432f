#include "extract/UrlMatches.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstring>
#include <memory>
#include <vector>

namespace pixquarry {

namespace {

struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using Code = std::unique_ptr<pcre2_code, CodeFree>;
using MatchData = std::unique_ptr<pcre2_match_data, MatchDataFree>;

PCRE2_SPTR Units(std::string_view s) {
    return reinterpret_cast<PCRE2_SPTR>(s.data());
}

std::size_t CharLength(std::string_view s, std::size_t at) {
    std::size_t n = 1;
    while (at + n < s.size() && (static_cast<unsigned char>(s[at + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

bool IsUrlOpening(const char* p) {
    return (p[0] | 0x20) == 'u' && (p[1] | 0x20) == 'r' && (p[2] | 0x20) == 'l' && p[3] == '(';
}

}  // namespace

std::string RegExpTestWithEngine(std::string_view patrn, std::string_view strng) {
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    // Invalid UTF-8 in the text never matches rather than failing the search.
    const Code code(pcre2_compile(Units(patrn), patrn.size(),
                                  PCRE2_UTF | PCRE2_CASELESS | PCRE2_MATCH_INVALID_UTF, &error,
                                  &errorOffset, nullptr));
    if (!code)
        return {};
    pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
    const MatchData data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!data)
        return {};

    std::string joined;
    std::size_t start = 0;
    while (start <= strng.size()) {
        const int rc =
            pcre2_match(code.get(), Units(strng), strng.size(), start, 0, data.get(), nullptr);
        if (rc < 0)
            break;  // no further match, or the engine gave up
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        const std::size_t from = ovector[0];
        const std::size_t to = ovector[1];
        joined.append(strng, from, to - from);
        joined.append(kMatchSeparator);
        if (to > from) {
            start = to;
        } else if (to < strng.size()) {
            start = to + CharLength(strng, to);
        } else {
            break;
        }
    }
    return joined;
}

std::string FindUrlReferences(std::string_view strng) {
    // A match starts at "url(" in any letter case and runs up to the next ")".
    // When no ")" follows, nothing further in the text can match.
    std::vector<std::pair<std::size_t, std::size_t>> matches;
    std::size_t total = 0;
    const char* const begin = strng.data();
    const std::size_t size = strng.size();
    std::size_t from = 0;
    while (from + 3 < size) {
        const void* open = std::memchr(begin + from + 3, '(', size - from - 3);
        if (open == nullptr)
            break;
        const std::size_t paren = static_cast<std::size_t>(static_cast<const char*>(open) - begin);
        if (!IsUrlOpening(begin + paren - 3)) {
            from = paren - 2;
            continue;
        }
        const void* close = std::memchr(begin + paren + 1, ')', size - paren - 1);
        if (close == nullptr)
            break;
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(close) - begin);
        matches.emplace_back(paren - 3, end);
        total += end - (paren - 3) + kMatchSeparator.size();
        from = end;
    }

    std::string joined;
    joined.reserve(total);
    for (const auto& [first, last] : matches) {
        joined.append(begin + first, last - first);
        joined.append(kMatchSeparator);
    }
    return joined;
}

std::string RegExpTest(std::string_view patrn, std::string_view strng) {
    if (patrn == kUrlPattern)
        return FindUrlReferences(strng);
    return RegExpTestWithEngine(patrn, strng);
}

}  // namespace pixquarry
