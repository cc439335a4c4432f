#include "extract/Harvest.h"

#include <new>
#include <utility>

#include "extract/LinkText.h"
#include "extract/ListOrder.h"
#include "extract/Reference.h"
#include "extract/SourceText.h"
#include "extract/UrlMatches.h"
#include "platform/WebAddress.h"

namespace pixquarry {

SourceBytes SourceFromResponse(const std::string& source, HttpResponse response) {
    SourceBytes read;
    if (!response.ok || response.status >= 400) {
        read.failure = FetchFailureMessage(source, response);
        return read;
    }
    read.ok = true;
    read.bytes = std::move(response.body);
    read.address = response.finalUrl.empty() ? source : std::move(response.finalUrl);
    read.contentType = std::move(response.contentType);
    return read;
}

std::uint64_t ReadSource(const std::string& source, FileReader& files, HttpClient& pages,
                         std::function<void(SourceBytes read)> read) {
    if (IsWebLink(source)) {
        return pages.Get(source, [source, read = std::move(read)](HttpResponse response) {
            read(SourceFromResponse(source, std::move(response)));
        });
    }
    SourceBytes bytes;
    ReadResult file = files.ReadWhole(source);
    if (!file.Ok()) {
        bytes.failure = ReadFailureMessage(source, file);
    } else if (file.bytes.empty()) {
        // An empty file is more likely a mistake than a sheet without pictures:
        // the list the user has stays.
        bytes.failure = "文件“" + source + "”是空的";
    } else {
        bytes.ok = true;
        bytes.bytes = std::move(file.bytes);
    }
    read(std::move(bytes));
    return 0;
}

LinkRule DomainRule(std::string domain) {
    return [domain = std::move(domain)](std::string_view match) -> std::optional<std::string> {
        // Matches without a dot (url(#mask)) are no links.
        if (match.find('.') == std::string_view::npos)
            return std::nullopt;
        return domain + RepAll(match);
    };
}

std::vector<std::string_view> SplitMatches(std::string_view joined) {
    std::vector<std::string_view> pieces;
    std::size_t at = 0;
    while (at < joined.size()) {
        std::size_t next = joined.find(kMatchSeparator, at);
        if (next == std::string_view::npos)
            next = joined.size();
        pieces.push_back(joined.substr(at, next - at));
        at = next + kMatchSeparator.size();
    }
    return pieces;
}

Harvest HarvestLinks(const std::string& source, std::string bytes, const LinkRule& rule,
                     const std::function<void(HarvestStep, const Harvest&)>& onStep) {
    Harvest harvest;
    const auto step = [&](HarvestStep s) {
        if (onStep)
            onStep(s, harvest);
    };
    try {
        std::string joined;
        {
            const std::string text = DecodeSourceText(std::move(bytes));
            step(HarvestStep::Decoded);
            joined = RegExpTest(kUrlPattern, text);
            harvest.matchModes = MatchModesOf(text);
        }
        step(HarvestStep::Matched);
        for (const std::string_view match : SplitMatches(joined)) {
            if (std::optional<std::string> link = rule(match))
                harvest.links.push_back(std::move(*link));
        }
        step(HarvestStep::Filtering);
        SortInListOrder(harvest.links);
        RemoveLaterCopies(harvest.links);
    } catch (const std::bad_alloc&) {
        ReadResult tooLarge;
        tooLarge.problem = ReadResult::Problem::OutOfMemory;
        Harvest failed;
        failed.failure = ReadFailureMessage(source, tooLarge);
        return failed;
    }
    harvest.ok = true;
    return harvest;
}

std::string FetchFailureMessage(const std::string& url, const HttpResponse& response) {
    const std::string reason = response.ok ? HttpStatusReason(response.status) : response.error;
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
