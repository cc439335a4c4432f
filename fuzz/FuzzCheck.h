#pragma once

// What the fuzz targets share: a check that stops the run (libFuzzer then
// keeps the input), and UTF-8 sequences checked by Unicode's table of
// well-formed byte sequences rather than by Pixquarry's decoder.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#define FUZZ_CHECK(c) \
    ((c) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #c), std::abort()))

namespace pixquarry::fuzz {

// The length of the well-formed sequence at s[i], or 0 when none starts there.
inline std::size_t WellFormedLength(std::string_view s, std::size_t i) {
    // Lead byte from, to; second byte from, to; length.
    static constexpr unsigned char kRows[][5] = {
        {0x00, 0x7F, 0x00, 0xFF, 1}, {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
        {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3},
        {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    for (const auto& [first, last, low, high, n] : kRows) {
        if (at(0) < first || at(0) > last)
            continue;
        if (i + n > s.size() || (n > 1 && (at(1) < low || at(1) > high)))
            return 0;
        for (std::size_t k = 2; k < n; ++k) {
            if (at(k) < 0x80 || at(k) > 0xBF)
                return 0;
        }
        return n;
    }
    return 0;
}

// Well-formed UTF-8 by that table.
inline bool IsWellFormed(std::string_view s) {
    for (std::size_t i = 0, n = 1; i < s.size(); i += n) {
        if ((n = WellFormedLength(s, i)) == 0)
            return false;
    }
    return true;
}

// The lines of `text`, counting from 1; a CR alone ends a line too.
inline int LineCount(std::string_view text) {
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        lines += text[i] == '\n' || (text[i] == '\r' && text.substr(i + 1, 1) != "\n");
    return lines;
}

// Checks that `run` takes under a second on a megabyte of `piece` repeated,
// for inputs that end in 0x7F: time in the square of the size shows there.
// The sanitizers and coverage counters slow allocation-heavy work (a page of
// thirty thousand tags) towards a second on a busy machine, so a megabyte
// past the second still passes when it took at most eight times a quarter
// megabyte: linear work takes four times, work in the square sixteen. Time
// in the square shows on every try; a busy machine's hiccup does not, so a
// failing measure is taken three times before it counts.
template <class Run>
void CheckLinearTime(std::string_view piece, const Run& run) {
    if (piece.empty() || piece.back() != '\x7f')
        return;
    const auto timed = [&](std::size_t size) {
        std::string big;
        while (big.size() < size)
            big += piece;
        const std::clock_t start = std::clock();
        run(big);
        return std::clock() - start;
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::clock_t megabyte = timed(std::size_t{1} << 20);
        if (megabyte < CLOCKS_PER_SEC || megabyte <= 8 * timed(std::size_t{1} << 18))
            return;
    }
    FUZZ_CHECK(!"a megabyte took over a second and over eight times a quarter megabyte");
}

}  // namespace pixquarry::fuzz
