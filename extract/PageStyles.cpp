#include "extract/PageStyles.h"

#include <gumbo.h>
#include <malloc.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <new>
#include <vector>

#include "extract/Folded.h"
#include "extract/HtmlTags.h"

namespace pixquarry {

namespace {

// Real pages take 10 to 30 times their size in the parser's tree.
constexpr std::size_t kParserBudget = std::size_t{512} << 20;

// Deeper than any real page nests; past it an element gives its content to
// its parent. The HTML parser checks the open elements on many tags, so a
// page nested ever deeper would take time in the square of its length.
constexpr std::size_t kDeepest = 512;

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsVoid(std::string_view name) {
    return OneOf(
        name, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "image",
               "img", "input", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}

// Elements whose content is read differently: never flattened.
bool HoldsText(std::string_view name) {
    return OneOf(name, {"style", "script", "template", "title", "textarea", "xmp", "iframe",
                        "noembed", "noframes", "plaintext"});
}

// The parser reopens these after other elements close around them.
bool IsFormatting(std::string_view name) {
    return OneOf(name, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike",
                        "strong", "tt", "u"});
}

bool ClosesParagraph(std::string_view name) {
    return OneOf(
        name, {"address", "article", "aside",    "blockquote", "center", "details", "dialog", "dir",
               "div",     "dl",      "fieldset", "figcaption", "figure", "footer",  "form",   "h1",
               "h2",      "h3",      "h4",       "h5",         "h6",     "header",  "hgroup", "hr",
               "li",      "listing", "main",     "menu",       "nav",    "ol",      "p",      "pre",
               "section", "summary", "table",    "ul"});
}

// Elements that end an open one of the same group.
int SiblingGroup(std::string_view name) {
    if (OneOf(name, {"li", "option", "tr", "p"}))
        return name[0];
    return OneOf(name, {"dt", "dd"}) ? 1 : OneOf(name, {"td", "th"}) ? 2 : 0;
}

// The page with every start tag past kDeepest open elements taken out, or
// turned into a <br> that keeps its style attribute: the styles, their order
// and their lines stay, the tree stays shallow. The count of open elements
// errs on the high side (formatting elements count until their end tag), so
// the parser never nests deeper. `out` holds the text when it changed.
std::string_view LimitNesting(std::string_view text, std::string& out) {
    std::vector<std::string> open;
    std::size_t copied = 0;
    HtmlTagScanner scanner(text);
    for (HtmlTag tag; scanner.Next(tag);) {
        if (tag.closing) {
            // The nearest open element of that name, among the last few: an
            // end tag that closes more is let pass, which only counts high.
            constexpr std::size_t kReach = 64;
            const std::size_t lowest = open.size() > kReach ? open.size() - kReach : 0;
            std::size_t at = open.size();
            while (at > lowest && open[at - 1] != tag.name)
                --at;
            if (at == lowest)
                continue;
            --at;
            // A formatting element ends alone; any other one ends those
            // opened inside it, but formatting ones are opened again.
            const bool formatting = IsFormatting(tag.name);
            std::vector<std::string> inside(
                std::make_move_iterator(open.begin() + static_cast<std::ptrdiff_t>(at) + 1),
                std::make_move_iterator(open.end()));
            open.resize(at);
            for (std::string& name : inside) {
                if (formatting || IsFormatting(name))
                    open.push_back(std::move(name));
            }
            continue;
        }
        if (IsVoid(tag.name))
            continue;
        if (!open.empty() &&
            ((ClosesParagraph(tag.name) && open.back() == "p") ||
             (SiblingGroup(tag.name) != 0 && SiblingGroup(tag.name) == SiblingGroup(open.back()))))
            open.pop_back();
        if (open.size() < kDeepest || HoldsText(tag.name)) {
            open.push_back(tag.name);
            continue;
        }
        out.append(text.substr(copied, tag.start - copied));
        if (tag.Attribute("style")) {
            out += "<br";
            out.append(text.substr(tag.nameEnd, tag.end - tag.nameEnd));
        } else {
            for (const char c : text.substr(tag.start, tag.end - tag.start)) {
                if (c == '\n' || c == '\r')
                    out += c;  // the lines stay where they were
            }
        }
        copied = tag.end;
    }
    if (copied == 0)
        return text;
    out.append(text.substr(copied));
    return out;
}

// Every block the parser takes, on a list of its own: the parser's tree is
// freed in one sweep (its own teardown recurses as deep as the tree), and a
// failed allocation, or one past the budget, jumps back out of the parser
// instead of handing it a null pointer, which it would not check. The
// budget stops pages whose tree grows far beyond their size: formatting
// elements left open are made again inside every later paragraph.
class ParserMemory {
public:
    ParserMemory() = default;
    ParserMemory(const ParserMemory&) = delete;
    ParserMemory& operator=(const ParserMemory&) = delete;
    ~ParserMemory() {
        while (m_head.next != &m_head)
            Free(m_head.next + 1);
    }

    GumboOptions Options() {
        GumboOptions options = kGumboDefaultOptions;
        options.allocator = [](void* self, std::size_t size) {
            return static_cast<ParserMemory*>(self)->Allocate(size);
        };
        options.deallocator = [](void* self, void* block) {
            if (block)
                static_cast<ParserMemory*>(self)->Free(block);
        };
        options.userdata = this;
        // Each parse error holds a copy of the open elements: no errors kept.
        options.max_errors = 0;
        return options;
    }
    std::jmp_buf failed;
    bool overBudget = false;

private:
    struct alignas(std::max_align_t) Block {
        Block* prev;
        Block* next;
    };
    void* Allocate(std::size_t size) {
        auto* block = size < SIZE_MAX - sizeof(Block)
                          ? static_cast<Block*>(std::malloc(sizeof(Block) + size))
                          : nullptr;
        if (block)
            m_used += malloc_usable_size(block);
        overBudget = m_used > kParserBudget;
        if (!block || overBudget) {
            std::free(block);
            std::longjmp(failed, 1);
        }
        block->prev = &m_head;
        block->next = m_head.next;
        m_head.next->prev = block;
        m_head.next = block;
        return block + 1;
    }
    void Free(void* memory) {
        Block* block = static_cast<Block*>(memory) - 1;
        block->prev->next = block->next;
        block->next->prev = block->prev;
        m_used -= malloc_usable_size(block);
        std::free(block);
    }
    Block m_head{&m_head, &m_head};
    std::size_t m_used = 0;
};

// rel is a set of space-separated tokens in any letter case.
bool NamesStylesheet(std::string_view rel) {
    constexpr std::string_view kBlanks = " \t\n\r\f";
    std::size_t at = 0;
    while ((at = rel.find_first_not_of(kBlanks, at)) != std::string_view::npos) {
        const std::size_t end = rel.find_first_of(kBlanks, at);
        if (EqualsFolded(rel.substr(at, end - at), "stylesheet"))
            return true;
        at = end;
    }
    return false;
}

const GumboNode* Child(const GumboElement& element, unsigned i) {
    return static_cast<const GumboNode*>(element.children.data[i]);
}

void Visit(const GumboNode* node, PageStyles& found, std::vector<const GumboNode*>& later) {
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
        return;
    const GumboElement& element = node->v.element;
    // The parser leaves the place of a missing value unset: no value, no style.
    const GumboAttribute* style = gumbo_get_attribute(&element.attributes, "style");
    if (style && style->value[0] != '\0')
        found.styles.push_back(
            {PageStyle::Kind::Attribute, style->value, static_cast<int>(style->value_start.line)});
    const GumboAttribute* href = gumbo_get_attribute(&element.attributes, "href");
    if (element.tag == GUMBO_TAG_LINK) {
        const GumboAttribute* rel = gumbo_get_attribute(&element.attributes, "rel");
        if (rel && href && NamesStylesheet(rel->value) && href->value[0] != '\0')
            found.styles.push_back(
                {PageStyle::Kind::Linked, href->value, static_cast<int>(element.start_pos.line)});
    } else if (element.tag == GUMBO_TAG_BASE) {
        if (href && found.baseHref.empty())
            found.baseHref = href->value;
    } else if (element.tag == GUMBO_TAG_STYLE) {
        PageStyle sheet{PageStyle::Kind::Element, {}, static_cast<int>(element.start_pos.line)};
        for (unsigned i = 0; i < element.children.length; ++i) {
            const GumboNode* child = Child(element, i);
            if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE ||
                child->type == GUMBO_NODE_CDATA) {
                if (sheet.text.empty())
                    sheet.line = static_cast<int>(child->v.text.start_pos.line);
                sheet.text += child->v.text.text;
            }
        }
        found.styles.push_back(std::move(sheet));
        return;
    }
    // Last child first: the first is taken next, so the walk keeps page order.
    for (unsigned i = element.children.length; i > 0; --i)
        later.push_back(Child(element, i - 1));
}

}  // namespace

PageStyles FindPageStyles(std::string_view text) {
    std::string limited;
    text = LimitNesting(text, limited);
    ParserMemory memory;
    const GumboOptions options = memory.Options();
    if (setjmp(memory.failed) != 0) {
        if (memory.overBudget)
            throw PageTooComplex();
        throw std::bad_alloc();
    }
    const GumboOutput* output = gumbo_parse_with_options(&options, text.data(), text.size());
    PageStyles found;
    // A walk of its own: a page may nest deeper than the call stack reaches.
    std::vector<const GumboNode*> later{output->root};
    while (!later.empty()) {
        const GumboNode* node = later.back();
        later.pop_back();
        Visit(node, found, later);
    }
    return found;
}

bool LooksLikeHtml(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    const std::size_t start = bytes.find_first_not_of(" \t\n\r\f");
    if (start == std::string_view::npos)
        return false;
    bytes.remove_prefix(start);
    if (bytes.starts_with("<!--"))
        return true;
    // The tags a page starts with, followed by a blank or ">".
    for (const std::string_view tag :
         {"<!doctype html", "<html", "<head", "<script", "<iframe", "<h1", "<div", "<font",
          "<table", "<a", "<style", "<title", "<b", "<body", "<br", "<p", "<meta", "<link"}) {
        if (bytes.size() > tag.size() && EqualsFolded(bytes.substr(0, tag.size()), tag)) {
            const char after = bytes[tag.size()];
            if (after == ' ' || after == '>' || after == '\t' || after == '\n' || after == '\r')
                return true;
        }
    }
    return false;
}

}  // namespace pixquarry
