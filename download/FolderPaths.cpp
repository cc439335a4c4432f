#include "download/FolderPaths.h"

#include <cerrno>

#include "platform/common/SystemReason.h"

namespace pixquarry {

DefaultFolderPlace ChooseDefaultFolder(FileSystem& files, std::string_view programFolder,
                                       std::string_view picturesFolder) {
    const std::string program = WithClosingSlash(programFolder);
    // A missing folder counts as not writable.
    if (picturesFolder.empty() || files.CheckWritable(program) == 0)
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
int MakeFolder(FileSystem& files, const std::string& folder) {
    if (files.KindOf(folder) == FileSystem::Kind::Folder)
        return 0;
    const int error = files.MakeFolder(folder);
    return error == EEXIST ? ENOTDIR : error;
}

std::string CannotMake(const std::string& folder, int error) {
    return "无法创建下载目录“" + folder + "”：" + CreateFolderReason(error);
}

}  // namespace

std::string MakeDownloadFolder(FileSystem& files, const std::string& folder) {
    const int error = MakeFolder(files, folder);
    return error == 0 ? std::string() : CannotMake(folder, error);
}

std::string MakeDownloadFolderPath(FileSystem& files, const std::string& folder) {
    // From the top down; a failure names the level it happened at.
    for (std::size_t end = 0; end != std::string::npos;) {
        end = folder.find('/', end + 1);
        const std::string level = folder.substr(0, end);
        if (const int error = MakeFolder(files, level); error != 0)
            return CannotMake(level, error);
    }
    return {};
}

}  // namespace pixquarry
