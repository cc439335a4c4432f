// A page walk on any bytes taken as a page: every style and address it
// reports is text of the decoded page, on a line the page has, and a
// megabyte of a page takes under a second however deep it nests.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "extract/PageStyles.h"
#include "extract/SheetText.h"
#include "extract/SourceText.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace pixquarry;

void Check(const std::string& text) {
    const PageStyles found = FindPageStyles(text);
    // The parser reads character references and replaces NUL and control
    // characters; a <style> in SVG or MathML gathers the text around its
    // children. Elsewhere the parser hands on the page's own text.
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool asWritten =
        std::all_of(text.begin(), text.end(),
                    [](char c) { return (c >= ' ' && c < 0x7F && c != '&') || c == '\n'; }) &&
        lower.find("svg") == std::string::npos && lower.find("math") == std::string::npos;
    const int lines = fuzz::LineCount(text);
    FUZZ_CHECK(!asWritten || text.find(found.baseHref) != std::string::npos);
    for (const PageStyle& style : found.styles) {
        FUZZ_CHECK(style.line >= 1 && style.line <= lines);
        FUZZ_CHECK(!asWritten || text.find(style.text) != std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(DecodePageText(bytes, {}).text);
    fuzz::CheckLinearTime(RepairUtf8(bytes), [](const std::string& big) { FindPageStyles(big); });
    return 0;
}
