#include "download/DownloadRun.h"

#include "download/FolderPaths.h"
#include "extract/LinkText.h"

namespace pixquarry {

DownloadRequest RequestFor(const std::string& item, const std::string& folder) {
    return DownloadRequest{TrimSpaces(item), folder, FGetLast(item)};
}

std::string RunNames::Claim(const std::string& name) {
    std::string claimed = name;
    // The number goes before the extension; a leading dot starts no extension.
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    for (int copy = m_taken.count(name) ? m_taken[name] + 1 : 1; copy > 1; ++copy) {
        claimed = hasExtension
                      ? name.substr(0, dot) + "(" + std::to_string(copy) + ")" + name.substr(dot)
                      : name + "(" + std::to_string(copy) + ")";
        if (!m_taken.count(claimed)) {
            m_taken[name] = copy;
            break;
        }
    }
    m_taken.try_emplace(claimed, 1);
    return claimed;
}

std::string RunSummary(int succeeded, int failed) {
    return "下载成功 " + std::to_string(succeeded) + " 个文件；下载失败 " + std::to_string(failed) +
           " 个文件。";
}

}  // namespace pixquarry
