#pragma once

#include <string>
#include <string_view>

#include "platform/FilePaths.h"

namespace pixquarry {

// The folder `downimages` beside the program, with a closing "/".
std::string DefaultDownloadFolder(std::string_view programFolder);
// Makes `folder` unless it is a folder already; one level only, so a
// mistyped parent never becomes a tree of new folders. "" on success,
// otherwise the message naming the folder and the reason in the user's words.
std::string MakeDownloadFolder(const std::string& folder);
// Spaces (only U+0020) removed at both ends.
std::string TrimSpaces(std::string_view text);

}  // namespace pixquarry
