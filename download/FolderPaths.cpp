#include "download/FolderPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/SystemReason.h"

namespace pixquarry {

DefaultFolderPlace ChooseDefaultFolder(std::string_view programFolder,
                                       std::string_view picturesFolder) {
    const std::string program = WithClosingSlash(programFolder);
    // access() asks with the real user's rights, which are the ones the
    // download run will have; a missing folder counts as not writable.
    if (picturesFolder.empty() || ::access(program.c_str(), W_OK | X_OK) == 0)
        return {program + "downimages/", false};
    return {WithClosingSlash(picturesFolder) + "downimages/", true};
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
        case EEXIST:
        case ENOTDIR:
            return "已有同名的文件";
        case ENOENT:
            return "上一级文件夹不存在";
        default:
            return SystemReason(error);
    }
}

// 0 when `folder` is a folder afterwards, otherwise the error.
int MakeFolder(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return 0;
    if (::mkdir(folder.c_str(), 0777) == 0)
        return 0;
    return errno == EEXIST ? ENOTDIR : errno;
}

std::string CannotMake(const std::string& folder, int error) {
    return "无法创建下载目录“" + folder + "”：" + CreateFolderReason(error);
}

}  // namespace

std::string MakeDownloadFolder(const std::string& folder) {
    const int error = MakeFolder(folder);
    return error == 0 ? std::string() : CannotMake(folder, error);
}

std::string MakeDownloadFolderPath(const std::string& folder) {
    // From the top down; a failure names the level it happened at.
    for (std::size_t end = 0; end != std::string::npos;) {
        end = folder.find('/', end + 1);
        const std::string level = folder.substr(0, end);
        if (const int error = MakeFolder(level); error != 0)
            return CannotMake(level, error);
    }
    return {};
}

}  // namespace pixquarry
