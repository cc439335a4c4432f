// GetURL: one document from the web as text, for the update check.

#include <string>

#include "app/MainF1.h"
#include "platform/HttpClient.h"
#include "web/Bytes2BSTR.h"

namespace pixquarry {

namespace {

constexpr const char* kNetworkTrouble =
    "您的网络连接可能存在问题，软件将无法得到更新支持！请检查网络。";

}  // namespace

std::string MainF1::GetURL(const std::string& url) {
    const HttpResponse response = m_seams.http.Get(url);
    if (!response.ok) {
        LogShow.SetText(response.error + kNetworkTrouble);
        return {};
    }
    Bytes2BstrResult decoded = bytes2BSTR(response.body, m_seams.clock);
    switch (decoded.ending) {
        case Bytes2BstrResult::Ending::Complete:
            break;
        case Bytes2BstrResult::Ending::TimedOut:
            LogShow.SetText("对方服务无响应!");
            break;
        case Bytes2BstrResult::Ending::MissingTrailByte:
            // The body broke off inside a double-byte character: nothing of it counts.
            LogShow.SetText(std::string("回复在双字节字符中间中断") + kNetworkTrouble);
            return {};
    }
    return std::move(decoded.text);
}

}  // namespace pixquarry
