#pragma once

#include <string>

namespace pixquarry {

// Shows a folder in the system's file manager and returns at once.
class FileManager {
public:
    virtual ~FileManager() = default;
    virtual void ShowFolder(const std::string& path) = 0;
};

}  // namespace pixquarry
