#include "extract/Reference.h"

#include "extract/RegExpTest.h"

namespace pixquarry {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\f";

bool StartsWithUrlCall(std::string_view text) {
    constexpr std::string_view kCall = "url(";
    if (text.size() < kCall.size())
        return false;
    for (std::size_t i = 0; i < kCall.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kCall[i])
            return false;
    }
    return true;
}

}  // namespace

std::string_view ReferenceOf(std::string_view match) {
    if (StartsWithUrlCall(match))
        match.remove_prefix(4);
    const auto first = match.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    match = match.substr(first, match.find_last_not_of(kBlanks) - first + 1);
    if (match.size() >= 2 && (match.front() == '\'' || match.front() == '"') &&
        match.back() == match.front())
        match = match.substr(1, match.size() - 2);
    return match;
}

std::vector<std::string_view> ReferencesIn(std::string_view joined) {
    std::vector<std::string_view> references;
    std::size_t at = 0;
    while (at < joined.size()) {
        std::size_t next = joined.find(kMatchSeparator, at);
        if (next == std::string_view::npos)
            next = joined.size();
        references.push_back(ReferenceOf(joined.substr(at, next - at)));
        at = next + kMatchSeparator.size();
    }
    return references;
}

int MatchModeOf(std::string_view text) {
    // Later finds win, as in the window: a sheet that quotes with " is mode 2.
    if (text.find("url(") == std::string_view::npos)
        return 3;
    if (text.find("url(\"") != std::string_view::npos)
        return 2;
    if (text.find("url('") != std::string_view::npos)
        return 1;
    return 0;
}

}  // namespace pixquarry
