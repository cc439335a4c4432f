// The @import tokenizer on any sheet: each rule's address is text of the
// sheet (escapes aside), its line one the sheet has, its url( where it says;
// an @charset label is text of the sheet; a megabyte takes under a second.

#include <cstdint>
#include <string>

#include "extract/CssImports.h"
#include "extract/Folded.h"
#include "extract/SourceText.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace pixquarry;

void Check(const std::string& text) {
    const bool escapes = text.find('\\') != std::string::npos;
    const int lines = fuzz::LineCount(text);
    for (const CssImport& rule : FindImports(text)) {
        FUZZ_CHECK(rule.line >= 1 && rule.line <= lines);
        FUZZ_CHECK(escapes || text.find(rule.reference) != std::string::npos);
        FUZZ_CHECK(rule.urlAt == std::string::npos ||
                   EqualsFolded(text.substr(rule.urlAt, 4), "url("));
    }
    FUZZ_CHECK(text.find(CharsetRuleLabel(text)) != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(DecodeSourceText(bytes));
    fuzz::CheckLinearTime(RepairUtf8(bytes), [](const std::string& big) { FindImports(big); });
    return 0;
}
