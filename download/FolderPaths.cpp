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

}  // namespace

std::string MakeDownloadFolder(FileSystem& files, const std::string& folder) {
    if (files.KindOf(folder) == FileSystem::Kind::Folder)
        return {};
    const int error = files.MakeFolder(folder);
    if (error == 0)
        return {};
    return "无法创建下载目录“" + folder + "”：" + CreateFolderReason(error);
}

}  // namespace pixquarry
