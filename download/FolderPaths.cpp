#include "download/FolderPaths.h"

namespace pixquarry {

std::string WithClosingSlash(std::string_view folder) {
    std::string result(folder);
    if (result.empty() || result.back() != '/')
        result += '/';
    return result;
}

std::string DefaultDownloadFolder(std::string_view programFolder) {
    return WithClosingSlash(programFolder) + "downimages/";
}

std::string TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace pixquarry
