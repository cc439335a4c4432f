#pragma once

#include <string>

namespace pixquarry {

struct HttpResponse {
    bool ok = false;  // a whole response arrived, whatever its status
    long status = 0;
    std::string body;
    std::string error;  // the failure in the HTTP layer's own words
};

// A synchronous GET of an absolute http or https address.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual HttpResponse Get(const std::string& url) = 0;
};

}  // namespace pixquarry
