#pragma once

// The publisher's answer to the update question: fields joined by "-KWKW-",
// the first one the offered version as a number (101 for 1.01).

#include <string>
#include <string_view>
#include <vector>

namespace pixquarry {

// Splits at every "-KWKW-"; empty fields are kept, an empty reply has none.
// The line end that closes most servers' replies (CR LF or LF) is not part of
// the last field.
std::vector<std::string> SplitReply(std::string_view m);

// The number a field starts with, read the old BASIC way: blanks, tabs and
// line feeds are skipped wherever they are ("1 01" is 101, but a CR is not
// skipped, so "\r101" is 0); then an optional sign, digits with at most one
// ".", and an optional exponent ("1E2" is 100), up to the first character
// that cannot go on. No number at the start reads 0, and so does a number
// beyond the range of a double (the old reader stopped with an error there).
double ReadVersionField(std::string_view field);

// A number the general way: up to 15 significant digits, no trailing zeros,
// no decimal point for a whole number ("101", "1.5", "100.25", "-2"). Fractions
// below 1 get a "0" before the point ("0.5"), which today's readers expect
// (the old format wrote ".5"). Exponent form ("1E+20", "1.5E-07") only when a
// number's integer part needs more than 15 digits or it is below 0.0001.
std::string GeneralNumber(double v);

}  // namespace pixquarry
