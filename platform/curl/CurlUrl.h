#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

namespace pixquarry {

// libcurl's URL handle and the texts it hands out, each freed its own way.
struct CurlUrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextFree {
    void operator()(char* text) const { curl_free(text); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;

// One part of `url`, or "" when it has none.
inline std::string UrlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK)
        return {};
    const std::unique_ptr<char, CurlTextFree> owned(text);
    return text;
}

}  // namespace pixquarry
