#pragma once

// A walk of everything under a folder, to show what a run changed.

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pixquarry::testing {

// Every entry under `root` with what a change to it would show: its kind and
// permissions, and for files their size and modification time. A folder's own
// time moves with any entry made in it, so it is left out.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    for (const auto& entry :
         fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied)) {
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) != 0)
            continue;
        std::string seen = std::to_string(info.st_mode);
        if (!S_ISDIR(info.st_mode))
            seen += " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) +
                    "." + std::to_string(info.st_mtim.tv_nsec);
        entries[entry.path().string()] = seen;
    }
    return entries;
}

// The paths made, removed or changed between two walks.
inline std::vector<std::string> Changes(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& after) {
    std::vector<std::pair<std::string, std::string>> changed;
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                  std::back_inserter(changed));
    std::vector<std::string> paths;
    for (const auto& [path, seen] : changed)
        paths.push_back(path);
    return paths;
}

// References whose file names try to leave the chosen folder, hide in it, or
// read as shell syntax or an option.
inline const char* const kHostileSheet =
    "url(../../escape.png) url(/tmp/abs.png) url(..) url(.) url(a/..) url(%2e%2e%2fup.png)"
    " url(\"..\\..\\back.png\") url(sub/) url(x.png?../../q) url(a%2F..%2F..%2Fenc.png)"
    " url(-rf.png) url(~/home.png) url(.hidden.png) url($(touch pwned).png) url(`id`.png)";

}  // namespace pixquarry::testing
