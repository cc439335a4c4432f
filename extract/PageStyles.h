#pragma once

// The styles of an HTML page, found by an HTML5 parser the way a browser
// finds them.

#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace pixquarry {

struct PageStyle {
    enum class Kind { Linked, Element, Attribute };
    Kind kind = Kind::Linked;
    std::string text;  // Linked: the href as written; otherwise the CSS itself
    int line = 1;      // where it starts in the page, counting from 1
};

struct PageStyles {
    std::string baseHref;           // of the first <base> with an href; "" when none
    std::vector<PageStyle> styles;  // in the order the page has them
};

// <link rel="... stylesheet ..."> (alternate sheets too), <style> elements
// and style="" attributes of the UTF-8 page `text`, nested to any depth.
// Throws PageTooComplex when the parser's tree would take more than 512 MiB,
// std::bad_alloc when memory runs out.
struct PageTooComplex : std::bad_alloc {};
PageStyles FindPageStyles(std::string_view text);

// Whether bytes served without a telling Content-Type look like an HTML page.
bool LooksLikeHtml(std::string_view bytes);

}  // namespace pixquarry
