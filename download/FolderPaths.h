#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// The folder `downimages` beside the program, with a closing "/".
std::string DefaultDownloadFolder(std::string_view programFolder);
// `folder` with a closing "/" added when it has none; otherwise unchanged.
std::string WithClosingSlash(std::string_view folder);
// Why a folder could not be made, for an errno of mkdir, in the user's words.
std::string CreateFolderReason(int error);
// Spaces (only U+0020) removed at both ends.
std::string TrimSpaces(std::string_view text);

}  // namespace pixquarry
