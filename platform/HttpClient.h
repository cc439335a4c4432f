#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
};

// What the user reads for a response with an error status.
inline std::string HttpStatusReason(long status) {
    return "服务器回答 HTTP " + std::to_string(status);
}

// A GET of an absolute http or https address; returns when the response is
// in (the window keeps running meanwhile).
class HttpClient {
public:
    using Answer = std::function<void(HttpResponse response)>;

    virtual ~HttpClient() = default;
    virtual HttpResponse Get(const std::string& url) = 0;

    // Several requests at once: Begin() starts one whose body may hold at
    // most `maxBytes` (0: the client's own limit); its answer runs inside a
    // later Wait(), never inside Begin(). Wait() runs until done() holds or
    // nothing is left to answer; it is false when it was told to end first
    // (the window closing), and then every begun request is dropped. Without a
    // transfer engine behind it the requests run one after another.
    virtual void Begin(const std::string& url, std::int64_t maxBytes, Answer answer) {
        (void)maxBytes;
        m_waiting.emplace_back(url, std::move(answer));
    }
    virtual bool Wait(const std::function<bool()>& done) {
        while (!done() && !m_waiting.empty()) {
            auto [url, answer] = std::move(m_waiting.front());
            m_waiting.pop_front();
            answer(Get(url));
        }
        return true;
    }

    // The absolute http(s) address `reference` names on the page at `base`,
    // read the way this client reads addresses; nothing when it names none.
    virtual std::optional<std::string> Resolve(const std::string& base,
                                               std::string_view reference) const {
        (void)base;
        (void)reference;
        return std::nullopt;
    }

private:
    std::deque<std::pair<std::string, Answer>> m_waiting;
};

}  // namespace pixquarry
