#include "extract/CssImports.h"

#include <cctype>

#include "extract/Folded.h"

namespace pixquarry {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '-' || c == '_' || u >= 0x80;
}

// Walks the text token by token as far as @import needs: comments, strings,
// url() contents, escapes, blocks and at-keywords.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    std::vector<CssImport> Imports() {
        std::vector<CssImport> found;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (SkipComment())
                continue;
            if (c == '"' || c == '\'') {
                ReadString();
            } else if (c == '\\') {
                Advance(2);
            } else if (c == '{') {
                ++m_depth;
                Advance(1);
            } else if (c == '}') {
                if (m_depth > 0)
                    --m_depth;
                Advance(1);
            } else if (c == '@') {
                const int line = m_line;
                Advance(1);
                const std::string_view name = ReadName();
                if (m_depth == 0 && EqualsFolded(name, "import")) {
                    CssImport rule{{}, line};
                    if (ReadImportTarget(rule))
                        found.push_back(std::move(rule));
                }
            } else if (IsNameChar(c)) {
                const std::string_view name = ReadName();
                if (EqualsFolded(name, "url") && Peek() == '(') {
                    Advance(1);
                    std::string ignored;
                    ReadUrlRest(ignored);
                }
            } else {
                Advance(1);
            }
        }
        return found;
    }

private:
    char Peek(std::size_t ahead = 0) const {
        return m_at + ahead < m_text.size() ? m_text[m_at + ahead] : '\0';
    }
    void Advance(std::size_t n) {
        for (; n > 0 && m_at < m_text.size(); --n) {
            if (m_text[m_at++] == '\n')
                ++m_line;
        }
    }
    bool SkipComment() {
        if (Peek() != '/' || Peek(1) != '*')
            return false;
        const std::size_t end = m_text.find("*/", m_at + 2);
        Advance((end == std::string_view::npos ? m_text.size() : end + 2) - m_at);
        return true;
    }
    void SkipBlanks() {
        while (true) {
            if (SkipComment())
                continue;
            if (!IsBlank(Peek()))
                return;
            Advance(1);
        }
    }
    std::string_view ReadName() {
        const std::size_t from = m_at;
        while (m_at < m_text.size() && IsNameChar(m_text[m_at]))
            ++m_at;
        return m_text.substr(from, m_at - from);
    }
    // The string at the quote; false when a line end cuts it (a bad string).
    bool ReadString(std::string* value = nullptr) {
        const char quote = Peek();
        Advance(1);
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == quote) {
                Advance(1);
                return true;
            }
            if (c == '\n')
                return false;
            if (c == '\\') {
                if (value && Peek(1) != '\n' && Peek(1) != '\0')
                    *value += Peek(1);
                Advance(2);
                continue;
            }
            if (value)
                *value += c;
            Advance(1);
        }
        return true;  // the end of the file closes a string
    }
    // After "url(": a quoted or a bare address up to ")"; false when broken.
    bool ReadUrlRest(std::string& value) {
        SkipBlanks();
        bool ok = true;
        if (Peek() == '"' || Peek() == '\'') {
            ok = ReadString(&value);
            SkipBlanks();
        } else {
            while (m_at < m_text.size() && m_text[m_at] != ')' && !IsBlank(m_text[m_at])) {
                const char c = m_text[m_at];
                if (c == '"' || c == '\'' || c == '(')
                    ok = false;
                if (c == '\\' && Peek(1) != '\0') {
                    value += Peek(1);
                    Advance(2);
                    continue;
                }
                value += c;
                Advance(1);
            }
            SkipBlanks();
        }
        // A broken url() runs to the next ")", as browsers skip it.
        while (m_at < m_text.size() && m_text[m_at] != ')') {
            ok = false;
            Advance(1);
        }
        Advance(1);
        return ok;
    }
    bool ReadImportTarget(CssImport& rule) {
        SkipBlanks();
        if (Peek() == '"' || Peek() == '\'')
            return ReadString(&rule.reference);
        const std::size_t from = m_at;
        if (EqualsFolded(ReadName(), "url") && Peek() == '(') {
            rule.urlAt = from;
            Advance(1);
            return ReadUrlRest(rule.reference);
        }
        m_at = from;
        return false;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    int m_line = 1;
    int m_depth = 0;
};

}  // namespace

std::vector<CssImport> FindImports(std::string_view text) {
    return Scanner(text).Imports();
}

std::string CharsetRuleLabel(std::string_view bytes) {
    constexpr std::string_view kStart = "@charset \"";
    if (bytes.substr(0, kStart.size()) != kStart)
        return {};
    const std::size_t end = bytes.find("\";", kStart.size());
    if (end == std::string_view::npos || end - kStart.size() > 64)
        return {};
    return std::string(bytes.substr(kStart.size(), end - kStart.size()));
}

}  // namespace pixquarry
