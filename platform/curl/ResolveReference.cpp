#include "platform/curl/ResolveReference.h"

#include <curl/curl.h>

#include <memory>

namespace pixquarry {

namespace {

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};
using UrlText = std::unique_ptr<char, CurlFree>;

UrlText Part(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK)
        return nullptr;
    return UrlText(text);
}

}  // namespace

std::optional<std::string> ResolveReference(const std::string& base, std::string_view reference) {
    if (reference.empty() || reference.front() == '#')
        return std::nullopt;
    std::unique_ptr<CURLU, UrlCleanup> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    // Other schemes must parse so that they can be told apart and skipped;
    // blanks and non-ASCII bytes are percent-encoded as browsers send them.
    const std::string text(reference);
    constexpr unsigned kFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_URLENCODE;
    if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(), kFlags) != CURLUE_OK)
        return std::nullopt;
    const UrlText scheme = Part(url.get(), CURLUPART_SCHEME);
    if (!scheme ||
        (std::string_view(scheme.get()) != "http" && std::string_view(scheme.get()) != "https"))
        return std::nullopt;
    // A fragment stays in the browser; it would only end up in the file name.
    curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
    const UrlText whole = Part(url.get(), CURLUPART_URL);
    if (!whole)
        return std::nullopt;
    return std::string(whole.get());
}

}  // namespace pixquarry
