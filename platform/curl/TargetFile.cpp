#include "platform/curl/TargetFile.h"

#include <curl/curl.h>

#include <memory>
#include <utility>

namespace pixquarry {

namespace {

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};

bool ValidFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// scheme://host[:port]/ of the link itself; empty when it does not parse.
std::string OriginOf(const std::string& link) {
    std::unique_ptr<CURLU, UrlCleanup> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, link.c_str(), 0) != CURLUE_OK)
        return {};
    for (CURLUPart part : {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS, CURLUPART_QUERY,
                           CURLUPART_FRAGMENT})
        curl_url_set(url.get(), part, nullptr, 0);
    char* text = nullptr;
    if (curl_url_set(url.get(), CURLUPART_PATH, "/", 0) != CURLUE_OK ||
        curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK)
        return {};
    const std::unique_ptr<char, CurlFree> owned(text);
    return text;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

DownloadResult Failure(long status, std::string error) {
    return DownloadResult{false, status, std::move(error)};
}

}  // namespace

TargetFile::TargetFile(const DownloadRequest& request)
    : m_path(Join(request.folder, request.fileName)) {
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
    // An error page is read to its end, not saved, so the connection stays usable.
    return status >= 400 || m_part->Write(chunk, error);
}

DownloadResult TargetFile::Finish(const CurlOutcome& outcome, bool keep) {
    if (outcome.status >= 400)
        return Failure(outcome.status, "HTTP " + std::to_string(outcome.status));
    if (!outcome.transferred)
        return Failure(outcome.status, outcome.error);
    std::string error;
    if (keep && !m_part->Commit(m_path, error))
        return Failure(outcome.status, error);
    return DownloadResult{true, outcome.status, {}};
}

}  // namespace pixquarry
