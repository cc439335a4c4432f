// Reference resolution as the command line does it (decode, find the url(
// matches, resolve each reference), against libcurl's URL parser driven
// directly: the same link in Pixquarry's one form or none, and a link
// resolves to itself.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include "extract/Harvest.h"
#include "extract/Reference.h"
#include "extract/SourceText.h"
#include "extract/UrlMatches.h"
#include "fuzz/FuzzCheck.h"
#include "platform/curl/CurlUrl.h"
#include "platform/curl/ResolveReference.h"

namespace {

using namespace pixquarry;

// libcurl resolves the reference on the base (blanks allowed, other bytes
// percent-encoded); the link is its whole address up to any "#", for http and
// https. Addresses go to libcurl as C strings, so one with a NUL byte fails.
std::optional<std::string> Expected(const std::string& base, std::string_view reference) {
    // Browsers drop blanks around an address and tabs and line breaks in it.
    std::string text(reference);
    std::erase_if(text, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
    text.erase(0, std::min(text.size(), text.find_first_not_of(" \f")));
    text.erase(text.find_last_not_of(" \f") + 1);
    if (text.empty() || text[0] == '#' || base.find('\0') != std::string::npos ||
        text.find('\0') != std::string::npos)
        return std::nullopt;
    const CurlUrl url(curl_url());
    if (curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_URL, text.c_str(),
                     CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_URLENCODE) != CURLUE_OK)
        return std::nullopt;
    std::string link = UrlPart(url.get(), CURLUPART_URL);
    link.erase(std::min(link.find('#'), link.size()));
    std::string scheme = link.substr(0, link.find(':'));
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "http" && scheme != "https")
        return std::nullopt;
    return link;
}

// Scheme and host in lower case, no default port, no dot segments (%2e
// too), escapes in upper case, nothing raw that a reader would escape.
void CheckNormalForm(const std::string& link) {
    FUZZ_CHECK(link.starts_with("http://") || link.starts_with("https://"));
    const std::size_t host = link.find("://") + 3, path = link.find('/', host);
    FUZZ_CHECK(path != std::string::npos);
    std::string authority = link.substr(host, path - host);
    authority.erase(0, authority.rfind('@') + 1);
    FUZZ_CHECK(std::none_of(authority.begin(), authority.end(), ::isupper));
    FUZZ_CHECK(!authority.ends_with(link[4] == 's' ? ":443" : ":80"));
    std::string segments = link.substr(path, link.find('?') - path) + "/";
    for (std::size_t at; (at = segments.find("%2E")) != std::string::npos;)
        segments.replace(at, 3, ".");
    FUZZ_CHECK(segments.find("/./") == std::string::npos &&
               segments.find("/../") == std::string::npos);
    FUZZ_CHECK(std::all_of(link.begin(), link.end(), [](char c) { return c > ' ' && c < 0x7F; }));
    for (std::size_t i = 0; i + 2 < link.size(); ++i) {
        if (link[i] == '%' && isxdigit(link[i + 1]) && isxdigit(link[i + 2]))
            FUZZ_CHECK(!islower(link[i + 1]) && !islower(link[i + 2]));
    }
}

void Check(const std::string& base, std::string_view reference) {
    const std::optional<std::string> link = ResolveReference(base, reference);
    const std::optional<std::string> expected = Expected(base, reference);
    FUZZ_CHECK(link == (expected ? ResolveReference("http://h/", *expected) : std::nullopt));
    if (link) {
        CheckNormalForm(*link);
        FUZZ_CHECK(ResolveReference(*link, *link) == link);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const kBases[] = {
        "http://h/css/site.css", "https://Example.COM:8443/a/b/c.css?x=1#top",
        "http://u:p@[::1]:80/x/y/", "HTTP://h/%7e/a/../b/", "ftp://h/x.css"};
    if (size == 0)
        return 0;
    // The first byte picks a base address, or takes the first line as the base.
    std::string sheet(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string base = sheet.substr(0, sheet.find('\n'));
    if (data[0] % 8 < std::size(kBases))
        base = kBases[data[0] % 8];
    else
        sheet.erase(0, base.size() + 1);
    const std::string joined = RegExpTest(kUrlPattern, DecodeSourceText(sheet));
    for (const std::string_view match : SplitMatches(joined))
        Check(base, ReferenceOf(match));
    Check(base, sheet);
    return 0;
}
