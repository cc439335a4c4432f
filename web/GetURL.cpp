#include "web/GetURL.h"

#include "web/Bytes2BSTR.h"

namespace pixquarry {

namespace {

constexpr const char* kNetworkTrouble =
    "您的网络连接可能存在问题，软件将无法得到更新支持！请检查网络。";

GetUrlResult Decoded(const HttpResponse& response, Clock& clock) {
    if (!response.ok)
        return {{}, response.error + kNetworkTrouble};
    Bytes2BstrResult decoded = bytes2BSTR(response.body, clock);
    switch (decoded.ending) {
        case Bytes2BstrResult::Ending::Complete:
            return {std::move(decoded.text), {}};
        case Bytes2BstrResult::Ending::TimedOut:
            return {std::move(decoded.text), "对方服务无响应!"};
        case Bytes2BstrResult::Ending::MissingTrailByte:
            // The body broke off inside a double-byte character: nothing of it counts.
            return {{}, std::string("回复在双字节字符中间中断") + kNetworkTrouble};
    }
    return {};
}

}  // namespace

std::uint64_t GetURL(HttpClient& http, Clock& clock, const std::string& url,
                     std::function<void(GetUrlResult result)> got) {
    return http.Get(url, [&clock, got = std::move(got)](HttpResponse response) {
        got(Decoded(response, clock));
    });
}

}  // namespace pixquarry
