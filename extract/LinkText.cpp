#include "extract/LinkText.h"

namespace pixquarry {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (;;) {
        const std::size_t hit = text.find(from, at);
        if (hit == std::string_view::npos) break;
        out.append(text, at, hit - at);
        out.append(to);
        at = hit + from.size();
    }
    out.append(text, at);
    return out;
}

std::string RepAll(std::string_view t0) {
    // The order matters: backslashes turn into slashes before "../" goes, so a
    // parent reference written with a backslash goes too.
    std::string s = ReplaceAll(t0, "'", "");
    s = ReplaceAll(s, "url", "");
    s = ReplaceAll(s, "(", "");
    s = ReplaceAll(s, ")", "");
    s = ReplaceAll(s, "\\", "/");
    s = ReplaceAll(s, "../", "");
    s = ReplaceAll(s, " ", "");
    return ReplaceAll(s, "\"", "");
}

std::string FGetLast(std::string_view t0) {
    const std::size_t slash = t0.rfind('/');
    return std::string(slash == std::string_view::npos ? t0 : t0.substr(slash + 1));
}

}  // namespace pixquarry
