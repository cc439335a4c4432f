#pragma once

// What the command line tells its user on stderr, and the exit status that goes with it.

#include <cstdio>
#include <string>
#include <string_view>

namespace pixquarry {

// `text` with every control character written as a visible escape (\t, \n,
// \r, \x1b, \u009b for C1): a name or reason that came from a server cannot
// move the cursor, erase a line or pass for the tab before the reason.
inline std::string Visible(std::string_view text) {
    const auto hex = [](const char* prefix, unsigned char c) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "%s%02x", prefix, c);
        return std::string(escape);
    };
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == '\t')
            shown += "\\t";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c < 0x20 || c == 0x7f)
            shown += hex("\\x", c);
        else if (c == 0xc2 && next >= 0x80 && next <= 0x9f)  // U+0080 to U+009F in UTF-8
            shown += hex("\\u00", static_cast<unsigned char>(text[++i]));
        else
            shown += text[i];
    }
    return shown;
}

inline int UsageError(const std::string& problem) {
    std::fprintf(stderr, "pixquarry-cli: %s\nRun with --help for more information.\n",
                 problem.c_str());
    return 2;
}

inline int ReportFailure(const std::string& reason) {
    std::fprintf(stderr, "pixquarry-cli: %s\n", Visible(reason).c_str());
    return 1;
}

}  // namespace pixquarry
