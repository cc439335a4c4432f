#include "extract/LinkText.h"

#include <cstring>

namespace pixquarry {

namespace {

// Replaces every `from` with a `to` no longer than it, left to right, in place.
void ShrinkAll(std::string& s, std::string_view from, std::string_view to) {
    std::size_t hit = s.find(from);
    if (hit == std::string::npos)
        return;
    char* const d = s.data();
    std::size_t write = hit;
    std::size_t read = hit;
    // Everything from `read` on is still untouched, so searching there is safe.
    while (hit != std::string::npos) {
        std::memmove(d + write, d + read, hit - read);
        write += hit - read;
        std::memcpy(d + write, to.data(), to.size());
        write += to.size();
        read = hit + from.size();
        hit = s.find(from, read);
    }
    std::memmove(d + write, d + read, s.size() - read);
    s.resize(write + s.size() - read);
}

}  // namespace

std::string RepAll(std::string_view t0) {
    // The order matters: backslashes turn into slashes before "../" goes, so a
    // parent reference written with a backslash goes too.
    std::string s(t0);
    ShrinkAll(s, "'", "");
    ShrinkAll(s, "url", "");
    ShrinkAll(s, "(", "");
    ShrinkAll(s, ")", "");
    ShrinkAll(s, "\\", "/");
    ShrinkAll(s, "../", "");
    ShrinkAll(s, " ", "");
    ShrinkAll(s, "\"", "");
    return s;
}

std::string FGetLast(std::string_view t0) {
    const std::size_t slash = t0.rfind('/');
    return std::string(slash == std::string_view::npos ? t0 : t0.substr(slash + 1));
}

}  // namespace pixquarry
