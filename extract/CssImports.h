#pragma once

// What a stylesheet says about other stylesheets and its own encoding, read
// the way a browser's CSS tokenizer reads it: comments and strings are
// skipped, so text inside them never counts as a rule.

#include <string>
#include <string_view>
#include <vector>

namespace pixquarry {

struct CssImport {
    std::string reference;  // as written, quotes and url( ) removed
    int line = 1;           // of the @import, counting from 1
    // Where the rule's "url(" starts in the text; npos for the string form.
    std::size_t urlAt = std::string_view::npos;
};

// The @import rules outside any block, in the order written; both the string
// form (@import "a.css") and the url() form.
std::vector<CssImport> FindImports(std::string_view text);

// The encoding label of an @charset rule at the very start of the bytes, as
// CSS allows it (@charset "label"; exactly so); "" when there is none.
std::string CharsetRuleLabel(std::string_view bytes);

}  // namespace pixquarry
