#pragma once

#include <string>
#include <string_view>

#include "platform/FilePaths.h"
#include "platform/FileSystem.h"

namespace pixquarry {

// The default download folder, with a closing "/", and whether it is the
// one in the user's pictures folder.
struct DefaultFolderPlace {
    std::string folder;
    bool inPictures = false;
};
// `downimages` beside the program while the program's folder takes new files
// (a copy unpacked anywhere, the build folder); otherwise `downimages` in the
// user's pictures folder, as for a copy installed where only the package
// manager writes. Without a pictures folder it stays beside the program.
DefaultFolderPlace ChooseDefaultFolder(FileSystem& files, std::string_view programFolder,
                                       std::string_view picturesFolder);
// Makes `folder` unless it is a folder already; one level only, so a
// mistyped parent never becomes a tree of new folders. "" on success,
// otherwise the message naming the folder and the reason in the user's words.
std::string MakeDownloadFolder(FileSystem& files, const std::string& folder);
// The same with every missing folder above it, for a folder the user typed
// out in full (`pixquarry-cli download --dir`).
std::string MakeDownloadFolderPath(FileSystem& files, const std::string& folder);
// Spaces (only U+0020) removed at both ends.
std::string TrimSpaces(std::string_view text);

}  // namespace pixquarry
