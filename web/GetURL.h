#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/HttpClient.h"

namespace pixquarry {

struct GetUrlResult {
    std::string text;     // the document decoded to UTF-8; "" when nothing of it counts
    std::string message;  // what the status box should say about it; "" for nothing
};

// One document from the web as text, for the update check: the body read as
// code page 936 by bytes2BSTR, within its time budget. `got` runs once, from
// the loop. Returns the request's id for http.Cancel.
std::uint64_t GetURL(HttpClient& http, Clock& clock, const std::string& url,
                     std::function<void(GetUrlResult result)> got);

}  // namespace pixquarry
