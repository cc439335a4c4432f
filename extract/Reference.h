#pragma once

#include <string_view>
#include <vector>

namespace pixquarry {

// What one url( match refers to, as a style sheet means it: the match without
// its leading "url(" (any letter case), blanks (space, tab, CR, LF, FF)
// trimmed at both ends, then one pair of matching quotes removed.
std::string_view ReferenceOf(std::string_view match);

// The references of every match in a RegExpTest result, in the order found.
std::vector<std::string_view> ReferencesIn(std::string_view joined);

// The match mode the window selects for a source text: 0 url(, 1 url(',
// 2 url(", 3 none of them (custom).
int MatchModeOf(std::string_view text);

}  // namespace pixquarry
