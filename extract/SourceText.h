#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// Turns the bytes of a source file into UTF-8 text. A byte-order mark picks
// UTF-8, UTF-16LE or UTF-16BE; without one, valid UTF-8 is taken as it is and
// anything else is read as code page 936 (GBK). Undecodable bytes become U+FFFD.
std::string DecodeSourceText(std::string bytes);

bool IsValidUtf8(std::string_view bytes);
// UTF-8 with every byte that starts no valid sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);

}  // namespace pixquarry
