#include "extract/Harvest.h"

#include "extract/LinkText.h"
#include "extract/RegExpTest.h"

namespace pixquarry {

std::vector<std::string> LinksFromMatches(std::string_view joined, std::string_view domain) {
    std::vector<std::string> links;
    std::size_t at = 0;
    while (at <= joined.size()) {
        std::size_t next = joined.find(kMatchSeparator, at);
        if (next == std::string_view::npos)
            next = joined.size();
        const std::string_view piece = joined.substr(at, next - at);
        // Pieces without a dot (url(#mask), the empty tail) are no links.
        if (piece.find('.') != std::string_view::npos) {
            std::string link(domain);
            link += RepAll(piece);
            links.push_back(std::move(link));
        }
        at = next + kMatchSeparator.size();
    }
    return links;
}

std::string FetchFailureMessage(const std::string& url, const HttpResponse& response) {
    const std::string reason = response.ok ? "服务器回答 HTTP " + std::to_string(response.status)
                                           : "网络错误（" + response.error + "）";
    return "无法下载网页“" + url + "”：" + reason;
}

std::string ReadFailureMessage(const std::string& path, const ReadResult& result) {
    std::string reason;
    switch (result.problem) {
        case ReadResult::Problem::None:
            break;
        case ReadResult::Problem::Missing:
            reason = "文件不存在";
            break;
        case ReadResult::Problem::NoPermission:
            reason = "没有读取权限";
            break;
        case ReadResult::Problem::IsFolder:
            reason = "这是一个文件夹，不是文件";
            break;
        case ReadResult::Problem::NotRegularFile:
            reason = "不是普通文件（可能是管道或设备）";
            break;
        case ReadResult::Problem::OutOfMemory:
            reason = "文件太大，内存不足";
            break;
        case ReadResult::Problem::Other:
            reason = "读取出错（" + result.detail + "）";
            break;
    }
    return "无法读取文件“" + path + "”：" + reason;
}

}  // namespace pixquarry
