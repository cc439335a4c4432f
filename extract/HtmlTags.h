#pragma once

// A light pass over the tags of an HTML page, cut the way the page tokenizer
// cuts them: comments, the text of raw-text elements (script, style, ...) and
// quoted attribute values are stepped over, so a "<" inside them is no tag.
// Linear in the page; used where a whole parse is too much or comes too late.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pixquarry {

struct HtmlTag {
    std::size_t start = 0;    // at "<"
    std::size_t nameEnd = 0;  // just past the name
    std::size_t end = 0;      // just past ">"
    std::string name;         // lower case
    bool closing = false;     // </name>
    // Names in lower case, values as written (no character references read).
    std::vector<std::pair<std::string, std::string>> attributes;

    const std::string* Attribute(std::string_view attributeName) const;
};

class HtmlTagScanner {
public:
    explicit HtmlTagScanner(std::string_view text) : m_text(text) {}
    // The next whole tag; false at the end. A tag the text ends inside is none.
    bool Next(HtmlTag& tag);

private:
    bool SkipNonTag(std::size_t start);
    bool ReadAttributes(HtmlTag& tag, std::size_t& at) const;
    void SkipRawText(std::string_view name);

    std::string_view m_text;
    std::size_t m_at = 0;
};

}  // namespace pixquarry
