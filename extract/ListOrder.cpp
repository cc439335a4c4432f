#include "extract/ListOrder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_set>

namespace pixquarry {

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return table;
}
constexpr auto kFold = MakeFoldTable();

unsigned char Folded(char c) {
    return kFold[static_cast<unsigned char>(c)];
}

int CompareFrom(std::string_view a, std::string_view b, std::size_t from) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = from; i < n; ++i) {
        const unsigned char x = Folded(a[i]);
        const unsigned char y = Folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Eight folded bytes from `at`, big-endian, zero-padded: a smaller key means a
// smaller text, an equal key says nothing.
std::uint64_t KeyAt(std::string_view s, std::size_t at) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        key <<= 8;
        if (at + i < s.size())
            key |= Folded(s[at + i]);
    }
    return key;
}

std::size_t CommonFoldedPrefix(const std::vector<std::string>& texts) {
    if (texts.empty())
        return 0;
    std::size_t common = texts.front().size();
    for (const std::string& t : texts) {
        std::size_t i = 0;
        const std::size_t n = std::min(common, t.size());
        while (i < n && Folded(t[i]) == Folded(texts.front()[i]))
            ++i;
        common = i;
        if (common == 0)
            break;
    }
    return common;
}

}  // namespace

int CompareListText(std::string_view a, std::string_view b) {
    return CompareFrom(a, b, 0);
}

void SortInListOrder(std::vector<std::string>& texts) {
    // Items of one run all start with the same domain, so compare past the
    // shared prefix and mostly on a cached 8-byte key.
    const std::size_t prefix = CommonFoldedPrefix(texts);
    struct Entry {
        std::uint64_t key;
        std::uint32_t index;
    };
    std::vector<Entry> order(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        order[i] = Entry{KeyAt(texts[i], prefix), static_cast<std::uint32_t>(i)};
    }
    std::sort(order.begin(), order.end(), [&](const Entry& x, const Entry& y) {
        if (x.key != y.key)
            return x.key < y.key;
        const int c = CompareFrom(texts[x.index], texts[y.index], prefix + 8);
        if (c != 0)
            return c < 0;
        return x.index < y.index;  // equal texts keep the order they came in
    });
    std::vector<std::string> sorted;
    sorted.reserve(texts.size());
    for (const Entry& e : order)
        sorted.push_back(std::move(texts[e.index]));
    texts = std::move(sorted);
}

void RemoveLaterCopies(std::vector<std::string>& texts) {
    // Equal texts compare equal in list order, so all copies of a text sit in
    // one run of neighbours that compare equal; look for copies only there.
    std::vector<std::string> kept;
    kept.reserve(texts.size());
    std::unordered_set<std::string_view> seen;
    std::size_t runStart = 0;
    for (std::string& text : texts) {
        // The first item of a run is always kept, so the last kept item tells
        // whether this one continues the run.
        if (kept.empty() || CompareListText(kept.back(), text) != 0) {
            runStart = kept.size();
            seen.clear();
        }
        bool copy = false;
        const std::size_t runLength = kept.size() - runStart;
        if (runLength > 0 && runLength <= 8) {
            copy = std::find(kept.begin() + static_cast<std::ptrdiff_t>(runStart), kept.end(),
                             text) != kept.end();
        } else if (runLength > 8) {
            if (seen.empty()) {
                for (std::size_t k = runStart; k < kept.size(); ++k)
                    seen.insert(kept[k]);
            }
            copy = seen.count(text) > 0;
        }
        if (copy)
            continue;
        kept.push_back(std::move(text));
        if (!seen.empty())
            seen.insert(kept.back());
    }
    texts = std::move(kept);
}

}  // namespace pixquarry
