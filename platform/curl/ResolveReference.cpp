#include "platform/curl/ResolveReference.h"

#include "platform/curl/CurlUrl.h"

namespace pixquarry {

std::optional<std::string> ResolveReference(const std::string& base, std::string_view reference) {
    if (reference.empty() || reference.front() == '#')
        return std::nullopt;
    // libcurl takes C strings: an address with a NUL byte would end there.
    if (base.find('\0') != std::string::npos || reference.find('\0') != std::string_view::npos)
        return std::nullopt;
    const CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    // Other schemes must parse so that they can be told apart and skipped;
    // blanks and non-ASCII bytes are percent-encoded as browsers send them.
    const std::string text(reference);
    constexpr unsigned kFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_URLENCODE;
    if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(), kFlags) != CURLUE_OK)
        return std::nullopt;
    const std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https")
        return std::nullopt;
    // A fragment stays in the browser; it would only end up in the file name.
    curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
    std::string whole = UrlPart(url.get(), CURLUPART_URL);
    if (whole.empty())
        return std::nullopt;
    return whole;
}

}  // namespace pixquarry
