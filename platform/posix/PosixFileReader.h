#pragma once

#include "platform/FileReader.h"

namespace pixquarry {

// Reads regular files only: a pipe or a device is refused rather than waited on.
class PosixFileReader final : public FileReader {
public:
    ReadResult ReadWhole(const std::string& path) override;
};

}  // namespace pixquarry
