#pragma once

#include <string_view>
#include <vector>

namespace pixquarry {

// What one url( match refers to, as a style sheet means it: the match without
// its leading "url(" (any letter case), blanks (space, tab, CR, LF, FF)
// trimmed at both ends, then one pair of matching quotes removed; nothing
// for a data: address behind a quote that was cut before its closing quote.
std::string_view ReferenceOf(std::string_view match);

// The match modes the window marks for a source text, in the order it marks
// them; the last one stays selected. 0 url(, 1 url(', 2 url(", 3 none of
// them (custom).
std::vector<int> MatchModesOf(std::string_view text);

}  // namespace pixquarry
