#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pixquarry {

struct HttpResponse {
    // A whole answer arrived: an error status counts, a redirect without a
    // new address or an answer empty by its status (204, 304) does not.
    bool ok = false;
    long status = 0;
    std::string body;
    std::string finalUrl;     // where the request ended up after redirects
    std::string contentType;  // the Content-Type header as sent; empty when none
    std::string error;        // why it failed, in the user's words; empty on success
    std::string detail;       // the HTTP layer's own words for the failure
    bool tooLarge = false;    // failed for a body past the size asked for
};

// What the user reads for a response with an error status.
inline std::string HttpStatusReason(long status) {
    return "服务器回答 HTTP " + std::to_string(status);
}

// GETs of absolute http or https addresses, the body kept in memory. Nothing
// waits: Get starts the request and returns, and the answer runs later from
// the event loop.
class HttpClient {
public:
    using Answer = std::function<void(HttpResponse response)>;

    virtual ~HttpClient() = default;

    // Starts a GET whose body may hold at most `maxBytes` (0: the client's
    // own limit). `answer` runs once, from the loop, never inside Get.
    // Returns an id for Cancel.
    virtual std::uint64_t Get(const std::string& url, Answer answer, std::int64_t maxBytes = 0) = 0;
    // Drops a request at once; its answer never runs. A request that has
    // answered already, or 0, is ignored.
    virtual void Cancel(std::uint64_t id) = 0;

    // The absolute http(s) address `reference` names on the page at `base`,
    // read the way this client reads addresses; nothing when it names none.
    virtual std::optional<std::string> Resolve(const std::string& base,
                                               std::string_view reference) const {
        (void)base;
        (void)reference;
        return std::nullopt;
    }
};

}  // namespace pixquarry
