#pragma once

// Pixquarry's own profile files ("[Section]" and "Key=Value" lines). The file
// text is code page 936 with CR LF line ends; names and values are UTF-8 here.
// Section and key names match without regard to ASCII letter case or to
// blanks (spaces, tabs) around them.

#include <optional>
#include <string>
#include <string_view>

#include "platform/common/CodePage936.h"

namespace pixquarry {

// Stores Value under Section and Key: replaces the key's value where it stands,
// or adds the key at the end of its section, or the section at the end of the
// file, or creates the file. The file is replaced as a whole (a new file in the
// same folder renamed over the old one), so a failed write leaves it as it was.
// The value ends at its first NUL; characters code page 936 lacks become '?'.
// Returns "" or why nothing was written.
std::string WriteProfileString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& value);

struct ProfileValue {
    std::optional<std::string> bytes;  // as stored, code page 936; none: no such file/section/key
    std::string error;                 // why an existing file could not be read
};
ProfileValue ReadProfileBytes(const std::string& path, const std::string& section,
                              const std::string& key);

// The window's way to store a value: at most 128 characters of it. Returns ""
// or why nothing was written.
std::string WriteGoIni(const std::string& FileName, const std::string& Section,
                       const std::string& Key, const std::string& Value);
// The window's way to read a value: at most 127 bytes of its code page 936
// form (a double-byte character is never split), up to its first NUL, without
// leading or trailing spaces. "" when anything is missing.
std::string ReadGoIni(const std::string& FileName, const std::string& Section,
                      const std::string& Key);

}  // namespace pixquarry
