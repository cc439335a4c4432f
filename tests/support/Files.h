#pragma once

// What a test finds on disk.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace pixquarry::testing {

// A file's bytes; "" when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every file in a folder with its bytes.
inline std::map<std::string, std::string> Contents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

}  // namespace pixquarry::testing
