#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// The charset parameter of a Content-Type header, lower case; "" when none.
std::string CharsetOfContentType(std::string_view contentType);

struct DecodedText {
    std::string text;      // UTF-8
    std::string encoding;  // the label that decided, lower case; "" when the fallback did
};

// A fetched stylesheet as UTF-8 text, as browsers decide: its byte-order
// mark, then the charset the server named, then its @charset rule, then the
// encoding of the page or sheet that refers to it, and without any of them
// the rules for source files (UTF-8 when valid, else code page 936). A label
// that names no encoding Pixquarry can read, or does not fit the bytes, is
// passed over.
DecodedText DecodeSheetText(std::string bytes, std::string_view httpCharset,
                            std::string_view referrerEncoding = {});

// A fetched page: the byte-order mark, then the server's charset, then a
// <meta> declaration in its first 1,024 bytes, then the rules for source files.
DecodedText DecodePageText(std::string bytes, std::string_view httpCharset);

// The encoding a <meta charset> or <meta http-equiv="Content-Type"> in the
// first 1,024 bytes of a page declares, lower case; "" when none does.
std::string DeclaredPageCharset(std::string_view bytes);

}  // namespace pixquarry
