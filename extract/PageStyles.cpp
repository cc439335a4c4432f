#include "extract/PageStyles.h"

#include <gumbo.h>

#include <cctype>
#include <memory>

#include "extract/Folded.h"

namespace pixquarry {

namespace {

struct OutputCleanup {
    void operator()(GumboOutput* output) const {
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
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

void Visit(const GumboNode* node, PageStyles& found) {
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
        return;
    const GumboElement& element = node->v.element;
    if (const GumboAttribute* style = gumbo_get_attribute(&element.attributes, "style"))
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
            const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
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
    for (unsigned i = 0; i < element.children.length; ++i)
        Visit(static_cast<const GumboNode*>(element.children.data[i]), found);
}

}  // namespace

PageStyles FindPageStyles(std::string_view text) {
    PageStyles found;
    const std::unique_ptr<GumboOutput, OutputCleanup> output(
        gumbo_parse_with_options(&kGumboDefaultOptions, text.data(), text.size()));
    if (output)
        Visit(output->root, found);
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
