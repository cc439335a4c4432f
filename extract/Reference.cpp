#include "extract/Reference.h"

#include "extract/Folded.h"

namespace pixquarry {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\f";

bool StartsWithFolded(std::string_view text, std::string_view lower) {
    return text.size() >= lower.size() && EqualsFolded(text.substr(0, lower.size()), lower);
}

}  // namespace

std::string_view ReferenceOf(std::string_view match) {
    if (StartsWithFolded(match, "url("))
        match.remove_prefix(4);
    const auto first = match.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    match = match.substr(first, match.find_last_not_of(kBlanks) - first + 1);
    if (match.size() >= 2 && (match.front() == '\'' || match.front() == '"') &&
        match.back() == match.front())
        match = match.substr(1, match.size() - 2);
    // A quoted data: address cut short at a ")" inside it is still no link.
    else if (!match.empty() && (match.front() == '\'' || match.front() == '"') &&
             StartsWithFolded(match.substr(1), "data:"))
        return {};
    return match;
}

std::vector<int> MatchModesOf(std::string_view text) {
    // Later finds win: a sheet that quotes with " ends on mode 2.
    if (text.find("url(") == std::string_view::npos)
        return {3};
    std::vector<int> modes{0};
    if (text.find("url('") != std::string_view::npos)
        modes.push_back(1);
    if (text.find("url(\"") != std::string_view::npos)
        modes.push_back(2);
    return modes;
}

}  // namespace pixquarry
