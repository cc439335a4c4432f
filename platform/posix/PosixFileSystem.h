#pragma once

#include "platform/FileSystem.h"

namespace pixquarry {

class PosixFileSystem final : public FileSystem {
public:
    Kind KindOf(const std::string& path, bool followLinks = true) override;
    int CheckWritable(const std::string& folder) override;
    int MakeFolder(const std::string& path) override;
    int RemoveFile(const std::string& path) override;
    int CreateEmptyFile(const std::string& path) override;
    int MakeRunnable(const std::string& path) override;
};

}  // namespace pixquarry
