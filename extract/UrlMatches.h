#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// The one pattern the extraction run uses: from "url(" up to the next ")".
inline constexpr std::string_view kUrlPattern = "(?=url\\()[^)]+(?=\\))";
inline constexpr std::string_view kMatchSeparator = "@@@@@";

// Every non-overlapping, case-insensitive match of `patrn` in `strng`, each
// followed by "@@@@@"; "" when nothing matches. Both texts are UTF-8.
std::string RegExpTest(std::string_view patrn, std::string_view strng);

// The same through the regular-expression engine, whatever the pattern.
std::string RegExpTestWithEngine(std::string_view patrn, std::string_view strng);

// The same for kUrlPattern alone, without the engine.
std::string FindUrlReferences(std::string_view strng);

}  // namespace pixquarry
