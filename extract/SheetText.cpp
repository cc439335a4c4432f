#include "extract/SheetText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <optional>

#include "extract/CssImports.h"
#include "extract/HtmlTags.h"
#include "extract/SourceText.h"
#include "platform/common/CodePage936.h"
#include "platform/common/IconvHandle.h"

namespace pixquarry {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The encoding a byte-order mark names; "" when there is none.
std::string_view ByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return "utf-8";
    if (bytes.starts_with("\xFF\xFE"))
        return "utf-16le";
    return bytes.starts_with("\xFE\xFF") ? "utf-16be" : "";
}

// Text that declares its own encoding in ASCII cannot be in UTF-16.
std::string AsciiDeclared(std::string label) {
    if (label.starts_with("utf-16"))
        return "utf-8";
    return label == "x-user-defined" ? "windows-1252" : label;
}

// Whole-text conversion by iconv; nothing when it does not know the label or
// meets bytes that are not in the encoding.
std::optional<std::string> ThroughIconv(const std::string& bytes, const std::string& label) {
    const IconvHandle cd("UTF-8", label.c_str());
    if (!cd.Ok())
        return std::nullopt;
    std::string out(bytes.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());  // iconv's signature lacks the const
    std::size_t left = bytes.size();
    char* dst = out.data();
    std::size_t room = out.size();
    if (iconv(cd.get(), &in, &left, &dst, &room) == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

// The bytes in the encoding `label` names (any letter case).
std::optional<std::string> DecodeAs(std::string& bytes, const std::string& label) {
    if (label.empty())
        return std::nullopt;
    if (label == "utf-8" || label == "utf8" || label == "unicode-1-1-utf-8")
        return IsValidUtf8(bytes) ? bytes : RepairUtf8(bytes);
    if (label == "gbk" || label == "gb2312" || label == "gb18030" || label == "cp936" ||
        label == "x-gbk" || label == "windows-936" || label == "csgb2312" || label == "chinese")
        return CodePage936ToUtf8(bytes);
    if (label == "utf-16le" || label == "utf-16")
        return DecodeSourceText("\xFF\xFE" + bytes);
    if (label == "utf-16be")
        return DecodeSourceText("\xFE\xFF" + bytes);
    return ThroughIconv(bytes, label);
}

}  // namespace

std::string CharsetOfContentType(std::string_view contentType) {
    const std::string lower = Lower(contentType);
    std::size_t at = lower.find("charset=");
    if (at == std::string::npos)
        return {};
    at += 8;
    std::size_t end = lower.find_first_of("; \t", at);
    std::string label = lower.substr(at, end == std::string::npos ? end : end - at);
    if (label.size() >= 2 && (label.front() == '"' || label.front() == '\''))
        label = label.substr(1, label.size() - 2);
    return label;
}

DecodedText DecodeSheetText(std::string bytes, std::string_view httpCharset,
                            std::string_view referrerEncoding) {
    if (const std::string_view mark = ByteOrderMark(bytes); !mark.empty())
        return {DecodeSourceText(std::move(bytes)), std::string(mark)};
    for (const std::string& label :
         {std::string(httpCharset), AsciiDeclared(Lower(CharsetRuleLabel(bytes))),
          AsciiDeclared(std::string(referrerEncoding))}) {
        if (std::optional<std::string> text = DecodeAs(bytes, label))
            return {std::move(*text), label};
    }
    return {DecodeSourceText(std::move(bytes)), {}};
}

DecodedText DecodePageText(std::string bytes, std::string_view httpCharset) {
    if (const std::string_view mark = ByteOrderMark(bytes); !mark.empty())
        return {DecodeSourceText(std::move(bytes)), std::string(mark)};
    for (const std::string& label :
         {std::string(httpCharset), AsciiDeclared(DeclaredPageCharset(bytes))}) {
        if (std::optional<std::string> text = DecodeAs(bytes, label))
            return {std::move(*text), label};
    }
    return {DecodeSourceText(std::move(bytes)), {}};
}

std::string DeclaredPageCharset(std::string_view bytes) {
    HtmlTagScanner scanner(bytes.substr(0, 1024));
    for (HtmlTag tag; scanner.Next(tag);) {
        if (tag.closing || tag.name != "meta")
            continue;
        std::string label;
        if (const std::string* charset = tag.Attribute("charset")) {
            label = *charset;
        } else {
            const std::string* equiv = tag.Attribute("http-equiv");
            const std::string* content = tag.Attribute("content");
            if (equiv && content && Lower(*equiv) == "content-type")
                label = CharsetOfContentType(*content);
        }
        label = Lower(label);
        label.erase(0, std::min(label.size(), label.find_first_not_of(" \t\n\r\f")));
        label.erase(label.find_last_not_of(" \t\n\r\f") + 1);
        if (!label.empty())
            return label;
    }
    return {};
}

}  // namespace pixquarry
