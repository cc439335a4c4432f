#include "download/FolderPaths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

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

namespace {

std::string CreateFolderReason(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "没有写入权限";
        case EROFS:
            return "磁盘是只读的";
        case EEXIST:
        case ENOTDIR:
            return "已有同名的文件";
        case ENOENT:
            return "上一级文件夹不存在";
        case ENOSPC:
            return "磁盘空间不足";
        default:
            return std::string("创建出错（") + std::strerror(error) + "）";
    }
}

}  // namespace

std::string MakeDownloadFolder(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return {};
    if (::mkdir(folder.c_str(), 0777) == 0)
        return {};
    const int error = errno == EEXIST ? ENOTDIR : errno;
    return "无法创建下载目录“" + folder + "”：" + CreateFolderReason(error);
}

}  // namespace pixquarry
