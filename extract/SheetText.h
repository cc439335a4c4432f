#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// The charset parameter of a Content-Type header, lower case; "" when none.
std::string CharsetOfContentType(std::string_view contentType);

// A fetched stylesheet as UTF-8 text. Its byte-order mark decides first,
// then its @charset rule, then the charset the server named, and without any
// of them the rules for source files (UTF-8 when valid, else code page 936).
// A label that names no encoding Pixquarry can read is passed over.
std::string DecodeSheetText(std::string bytes, std::string_view httpCharset);

// A fetched page: the byte-order mark, then the server's charset, then the
// rules for source files.
std::string DecodePageText(std::string bytes, std::string_view httpCharset);

}  // namespace pixquarry
