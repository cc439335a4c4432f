#pragma once

#include <string>

namespace pixquarry {

struct HttpResponse {
    bool ok = false;  // a whole response arrived, whatever its status
    long status = 0;
    std::string body;
    std::string finalUrl;  // where the request ended up after redirects
    std::string error;     // why it failed, in the user's words; empty on success
    std::string detail;    // the HTTP layer's own words for the failure
};

// What the user reads for a response with an error status.
inline std::string HttpStatusReason(long status) {
    return "服务器回答 HTTP " + std::to_string(status);
}

// A GET of an absolute http or https address; returns when the response is
// in (the window keeps running meanwhile).
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual HttpResponse Get(const std::string& url) = 0;
};

}  // namespace pixquarry
