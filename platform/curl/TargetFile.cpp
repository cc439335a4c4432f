#include "platform/curl/TargetFile.h"

#include <utility>

#include "platform/FilePaths.h"
#include "platform/HttpClient.h"
#include "platform/curl/CurlUrl.h"

namespace pixquarry {

namespace {

bool ValidFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name != PartFile::kWorkFolder &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// scheme://host[:port]/ of the link itself; empty when it does not parse.
std::string OriginOf(const std::string& link) {
    const CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, link.c_str(), 0) != CURLUE_OK)
        return {};
    for (CURLUPart part : {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS, CURLUPART_QUERY,
                           CURLUPART_FRAGMENT})
        curl_url_set(url.get(), part, nullptr, 0);
    if (curl_url_set(url.get(), CURLUPART_PATH, "/", 0) != CURLUE_OK)
        return {};
    return UrlPart(url.get(), CURLUPART_URL);
}

DownloadResult Failure(long status, std::string error, std::string detail = {}) {
    return DownloadResult{false, status, std::move(error), std::move(detail)};
}

// Only a full http or https address is fetched: nothing is guessed.
bool IsAbsoluteWebAddress(const std::string& link) {
    const CurlUrl url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, link.c_str(), 0) != CURLUE_OK)
        return false;
    const std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    return scheme == "http" || scheme == "https";
}

}  // namespace

TargetFile::TargetFile(const DownloadRequest& request)
    : m_path(WithClosingSlash(request.folder) + request.fileName) {
    if (!IsAbsoluteWebAddress(request.url)) {
        m_refusal = Failure(0, "不是完整的网址");
        return;
    }
    if (!ValidFileName(request.fileName)) {
        m_refusal = Failure(0, "文件名无效");
        return;
    }
    m_part.emplace(request.folder);
    if (!m_part->OpenError().empty()) {
        m_refusal = Failure(0, m_part->OpenError());
        return;
    }
    m_referer = OriginOf(request.url);
}

bool TargetFile::Take(long status, std::string_view chunk, std::string& error) {
    // Only a 2xx body is the picture; any other is read a little and dropped.
    if (status / 100 != 2)
        return true;
    m_written += static_cast<std::int64_t>(chunk.size());
    return m_part->Write(chunk, error);
}

DownloadResult TargetFile::Finish(const CurlOutcome& outcome) {
    if (outcome.status >= 400)
        return Failure(outcome.status, HttpStatusReason(outcome.status));
    if (!outcome.transferred)
        return Failure(outcome.status, outcome.error, outcome.detail);
    // No picture is empty: an empty answer never replaces a file.
    if (m_written == 0)
        return Failure(outcome.status, "服务器没有返回内容");
    std::string error;
    if (!m_part->Commit(m_path, error))
        return Failure(outcome.status, error);
    return DownloadResult{true, outcome.status, {}, {}};
}

}  // namespace pixquarry
