#include "platform/curl/ResolveReference.h"

#include <cctype>
#include <vector>

#include "platform/curl/CurlUrl.h"

namespace pixquarry {

namespace {

constexpr std::string_view kBlanks = " \t\n\r\f";

// As browsers read an address: blanks around it and tabs and line breaks
// inside it do not count.
std::string Cleaned(std::string_view reference) {
    const std::size_t first = reference.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    reference = reference.substr(first, reference.find_last_not_of(kBlanks) - first + 1);
    std::string text;
    for (const char c : reference) {
        if (c != '\t' && c != '\n' && c != '\r')
            text += c;
    }
    return text;
}

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// 1 for a "." segment, 2 for "..", each dot plain or as %2e; else 0.
int Dots(std::string_view segment) {
    int dots = 0;
    for (std::size_t i = 0; i < segment.size(); ++dots) {
        if (segment[i] == '.')
            i += 1;
        else if (segment.substr(i, 2) == "%2" && i + 2 < segment.size() &&
                 (segment[i + 2] | 0x20) == 'e')
            i += 3;
        else
            return 0;
    }
    return dots <= 2 ? dots : 0;
}

// A path without "." and ".." segments, written plainly or as %2e.
std::string WithoutDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    std::size_t at = 1;  // past the leading "/"
    while (true) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view segment = path.substr(at, end - at);
        const bool last = end == path.size();
        const int dots = Dots(segment);
        if (dots == 2 && !kept.empty())
            kept.pop_back();
        if (dots == 0)
            kept.push_back(segment);
        else if (last)
            kept.push_back({});  // "a/." names the folder a/
        if (last)
            break;
        at = end + 1;
    }
    std::string out;
    for (const std::string_view segment : kept)
        (out += '/') += segment;
    return out;
}

// One text for one address: scheme and host in lower case, no default port,
// no dot segments, percent escapes in upper case.
std::string NormalForm(std::string url) {
    const std::size_t hostAt = url.find("://") + 3;
    const std::size_t pathAt = std::min(url.find_first_of("/?", hostAt), url.size());
    std::size_t nameAt = url.rfind('@', pathAt);
    nameAt = nameAt == std::string::npos || nameAt < hostAt ? hostAt : nameAt + 1;
    for (std::size_t i = 0; i < pathAt; ++i) {
        if (i < hostAt || i >= nameAt)
            url[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(url[i])));
    }
    const std::size_t queryAt = std::min(url.find('?', pathAt), url.size());
    std::string path = url.substr(pathAt, queryAt - pathAt);
    std::string authority = url.substr(0, pathAt);
    const std::size_t portAt = authority.rfind(':');
    if (portAt != std::string::npos && portAt > nameAt &&
        authority.find(']', portAt) == std::string::npos) {
        const std::string port = authority.substr(portAt + 1);
        if (port.empty() || port == (url.starts_with("https:") ? "443" : "80"))
            authority.erase(portAt);
    }
    url = authority + (path.empty() ? "/" : WithoutDotSegments(path)) + url.substr(queryAt);
    std::string out;
    for (std::size_t i = 0; i < url.size(); ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c <= ' ' || c >= 0x7F) {
            // libcurl leaves blanks in the user name raw; read again, they
            // would be escaped.
            constexpr char kHex[] = "0123456789ABCDEF";
            (out += '%') += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c == '%' && i + 2 < url.size() && IsHex(url[i + 1]) && IsHex(url[i + 2])) {
            (out += '%') += Upper(url[i + 1]);
            out += Upper(url[i + 2]);
            i += 2;
        } else {
            out += url[i];
        }
    }
    return out;
}

// libcurl's reading of `reference` on `base`, without its fragment; "" when
// it names no http(s) address.
std::string Resolved(const std::string& base, const std::string& reference) {
    const CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK)
        return {};
    // Other schemes must parse so that they can be told apart and skipped;
    // blanks and non-ASCII bytes are percent-encoded as browsers send them.
    constexpr unsigned kFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_URLENCODE;
    if (curl_url_set(url.get(), CURLUPART_URL, reference.c_str(), kFlags) != CURLUE_OK)
        return {};
    const std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https")
        return {};
    // A fragment stays in the browser; it would only end up in the file name.
    curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
    return UrlPart(url.get(), CURLUPART_URL);
}

}  // namespace

std::optional<std::string> ResolveReference(const std::string& base, std::string_view reference) {
    const std::string text = Cleaned(reference);
    if (text.empty() || text.front() == '#')
        return std::nullopt;
    // libcurl takes C strings: an address with a NUL byte would end there.
    if (base.find('\0') != std::string::npos || text.find('\0') != std::string::npos)
        return std::nullopt;
    std::string link = Resolved(base, text);
    // Read once more until it reads as itself, also as a base: libcurl
    // leaves some bytes raw that it encodes when it reads them again.
    for (int round = 0; round < 4 && !link.empty(); ++round) {
        link = NormalForm(std::move(link));
        if (Resolved(link, link) == link)
            return link;
        link = Resolved("http://h/", link);
    }
    return std::nullopt;
}

}  // namespace pixquarry
