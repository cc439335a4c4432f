// The extraction text path: the fast url( search against the regular-expression
// engine on the same text, and RepAll and FGetLast against plain loops written
// from their rules.

#include <cstdint>
#include <string>
#include <utility>

#include "extract/Harvest.h"
#include "extract/LinkText.h"
#include "extract/SourceText.h"
#include "extract/UrlMatches.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace pixquarry;

// Quotes, "url", brackets and spaces go, and backslashes become slashes before
// parent steps "../" go: one kind at a time, left to right, never looking at
// what a step put in.
std::string ExpectedLink(std::string_view match) {
    std::string s(match);
    for (const auto& [from, to] : {std::pair<std::string_view, std::string_view>{"'", ""},
                                   {"url", ""},
                                   {"(", ""},
                                   {")", ""},
                                   {"\\", "/"},
                                   {"../", ""},
                                   {" ", ""},
                                   {"\"", ""}}) {
        std::string out;
        for (std::size_t i = 0; i < s.size();) {
            const bool hit = s.compare(i, from.size(), from) == 0;
            out += hit ? to : std::string_view(&s[i], 1);
            i += hit ? from.size() : 1;
        }
        s = out;
    }
    return s;
}

void CheckLink(std::string_view match) {
    const std::string link = RepAll(match);
    FUZZ_CHECK(link == ExpectedLink(match));
    std::string name;  // what follows the last "/"
    for (const char c : link) {
        if (c == '/')
            name.clear();
        else
            name += c;
    }
    FUZZ_CHECK(FGetLast(link) == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The text the window searches, and the bytes with only broken sequences replaced.
    for (const std::string& text : {DecodeSourceText(bytes), RepairUtf8(bytes)}) {
        const std::string joined = FindUrlReferences(text);
        FUZZ_CHECK(joined == RegExpTestWithEngine(kUrlPattern, text));
        for (const std::string_view match : SplitMatches(joined))
            CheckLink(match);
    }
    CheckLink(bytes);
    return 0;
}
