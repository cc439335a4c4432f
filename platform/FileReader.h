#pragma once

#include <string>

namespace pixquarry {

struct ReadResult {
    enum class Problem {
        None,
        Missing,
        NoPermission,
        IsFolder,
        NotRegularFile,
        OutOfMemory,
        Other
    };
    Problem problem = Problem::None;
    std::string bytes;   // the whole file when problem is None
    std::string detail;  // the system's own words for an Other problem

    bool Ok() const { return problem == Problem::None; }
};

// Reads one file whole, as bytes.
class FileReader {
public:
    virtual ~FileReader() = default;
    virtual ReadResult ReadWhole(const std::string& path) = 0;
};

}  // namespace pixquarry
