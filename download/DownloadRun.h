#pragma once

// What the window's download run and the command line's share: how a list
// item becomes a request, the names within one run, and the summary line.

#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/Downloader.h"

namespace pixquarry {

// One list item into `folder` (with its closing "/"): the link without its
// surrounding spaces, saved under the text after its last "/".
DownloadRequest RequestFor(const std::string& item, const std::string& folder);

// File names within one run: the first request for a name keeps it, each
// later one becomes "logo(2).png", "logo(3).png" and so on, so no picture of
// the run overwrites another. A file from an earlier run is still replaced.
class RunNames final {
public:
    std::string Claim(const std::string& name);

private:
    std::unordered_map<std::string, int> m_taken;
};

// One item's line begins with one of these, then the file name.
inline constexpr std::string_view kSavedLine = "下载成功：";
inline constexpr std::string_view kNotSavedLine = "下载失败：";

// "下载成功 N 个文件；下载失败 M 个文件。"
std::string RunSummary(int succeeded, int failed);

}  // namespace pixquarry
