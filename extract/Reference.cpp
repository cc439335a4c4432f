#include "extract/Reference.h"

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
