#pragma once

#include <string>

namespace pixquarry {

// What the window's handlers ask of the file system beyond reading a source:
// the download folder and the updater's hand-off. Each change returns 0 or
// the errno value that says why not.
class FileSystem {
public:
    enum class Kind { Missing, File, Folder, Other };

    virtual ~FileSystem() = default;
    // What is at `path`; a link is followed when `followLinks`.
    virtual Kind KindOf(const std::string& path, bool followLinks = true) = 0;
    // 0 when the user may make and change files in `folder` (and go into it).
    virtual int CheckWritable(const std::string& folder) = 0;
    virtual int MakeFolder(const std::string& path) = 0;
    // Removes a file, or an empty file to replace it: a file the user made
    // read-only is not removed (EACCES).
    virtual int RemoveFile(const std::string& path) = 0;
    // A new, empty file; an existing one is emptied.
    virtual int CreateEmptyFile(const std::string& path) = 0;
    // Lets the owner run the file.
    virtual int MakeRunnable(const std::string& path) = 0;
};

}  // namespace pixquarry
