#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pixquarry {

// The picture list's order: the UTF-8 bytes compared with A-Z folded to lower
// case. Three-way comparison.
int CompareListText(std::string_view a, std::string_view b);
// Stable sort in list order; fast on long lists whose items share a prefix.
void SortInListOrder(std::vector<std::string>& texts);
// On texts in list order: removes every later copy of a text (exact
// comparison); the first copy of each text and the order of the rest are kept.
void RemoveLaterCopies(std::vector<std::string>& texts);

}  // namespace pixquarry
