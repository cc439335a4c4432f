#include "extract/HtmlTags.h"

#include "extract/Folded.h"

namespace pixquarry {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

const std::string* HtmlTag::Attribute(std::string_view attributeName) const {
    for (const auto& [name, value] : attributes) {
        if (name == attributeName)
            return &value;
    }
    return nullptr;
}

// At a "<" that opens no tag (a comment, a doctype, a stray "<"): moves past
// it and says true; false when a tag starts here.
bool HtmlTagScanner::SkipNonTag(std::size_t start) {
    const std::string_view t = m_text;
    const std::size_t n = t.size();
    const auto skipPast = [&](std::string_view mark, std::size_t from) {
        const std::size_t found = t.find(mark, from);
        m_at = found == std::string_view::npos ? n : found + mark.size();
    };
    const char next = start + 1 < n ? t[start + 1] : '\0';
    if (next == '!') {
        if (t.substr(start + 2, 2) != "--") {
            skipPast(">", start + 2);  // a doctype or a bogus comment
            return true;
        }
        // "<!-->" and "<!--->" close at once; otherwise "-->" or "--!>".
        if (t.substr(start + 4, 1) == ">" || t.substr(start + 4, 2) == "->") {
            m_at = t.find('>', start + 4) + 1;
            return true;
        }
        const std::size_t plain = t.find("-->", start + 4);
        const std::size_t bang = t.find("--!>", start + 4);
        m_at = plain < bang ? plain + 3 : bang == std::string_view::npos ? n : bang + 4;
        return true;
    }
    const bool closing = next == '/';
    const std::size_t nameAt = start + (closing ? 2 : 1);
    if (nameAt < n && IsLetter(t[nameAt]))
        return false;
    if (next == '?' || closing)
        skipPast(">", start + 1);  // a bogus comment, or "</>"
    else
        m_at = start + 1;  // a "<" in the text
    return true;
}

// The attributes from `at` to the tag's ">", which `at` is left on; false
// when the text ends first.
bool HtmlTagScanner::ReadAttributes(HtmlTag& tag, std::size_t& at) const {
    const std::string_view t = m_text;
    const std::size_t n = t.size();
    while (true) {
        while (at < n && (IsBlank(t[at]) || t[at] == '/'))
            ++at;
        if (at >= n)
            return false;
        if (t[at] == '>')
            return true;
        std::string name(1, Lower(t[at++]));  // may start with "="
        for (; at < n && !IsBlank(t[at]) && t[at] != '/' && t[at] != '>' && t[at] != '='; ++at)
            name += Lower(t[at]);
        std::size_t look = at;
        while (look < n && IsBlank(t[look]))
            ++look;
        std::string value;
        if (look < n && t[look] == '=') {
            at = look + 1;
            while (at < n && IsBlank(t[at]))
                ++at;
            if (at < n && (t[at] == '"' || t[at] == '\'')) {
                const std::size_t close = t.find(t[at], at + 1);
                if (close == std::string_view::npos)
                    return false;
                value = t.substr(at + 1, close - at - 1);
                at = close + 1;
            } else {
                const std::size_t from = at;
                while (at < n && !IsBlank(t[at]) && t[at] != '>')
                    ++at;
                value = t.substr(from, at - from);
            }
        }
        tag.attributes.emplace_back(std::move(name), std::move(value));
    }
}

bool HtmlTagScanner::Next(HtmlTag& tag) {
    const std::string_view t = m_text;
    const std::size_t n = t.size();
    while ((m_at = t.find('<', m_at)) != std::string_view::npos) {
        const std::size_t start = m_at;
        if (SkipNonTag(start))
            continue;
        const bool closing = t[start + 1] == '/';
        tag.start = start;
        tag.closing = closing;
        tag.name.clear();
        tag.attributes.clear();
        std::size_t at = start + (closing ? 2 : 1);
        for (; at < n && !IsBlank(t[at]) && t[at] != '/' && t[at] != '>'; ++at)
            tag.name += Lower(t[at]);
        tag.nameEnd = at;
        if (!ReadAttributes(tag, at)) {
            m_at = n;
            return false;
        }
        tag.end = m_at = at + 1;
        if (!closing)
            SkipRawText(tag.name);
        return true;
    }
    m_at = n;
    return false;
}

// After the start tag of an element whose content is text, up to its end tag.
void HtmlTagScanner::SkipRawText(std::string_view name) {
    static constexpr std::string_view kRawText[] = {"script",  "style",    "xmp",   "iframe",
                                                    "noembed", "noframes", "title", "textarea"};
    if (name == "plaintext") {
        m_at = m_text.size();
        return;
    }
    bool raw = false;
    for (const std::string_view element : kRawText)
        raw = raw || name == element;
    if (!raw)
        return;
    for (std::size_t at = m_at; (at = m_text.find("</", at)) != std::string_view::npos; at += 2) {
        const std::size_t after = at + 2 + name.size();
        if (after < m_text.size() && EqualsFolded(m_text.substr(at + 2, name.size()), name) &&
            (IsBlank(m_text[after]) || m_text[after] == '/' || m_text[after] == '>')) {
            m_at = at;
            return;
        }
    }
    m_at = m_text.size();
}

}  // namespace pixquarry
