#pragma once

#include <string>

namespace pixquarry {

// Starts a program as an independent process, with no arguments and
// `workDir` as its working folder, and does not wait for it.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // "" when the program started, otherwise the reason in the system's words.
    virtual std::string Start(const std::string& program, const std::string& workDir) = 0;
};

}  // namespace pixquarry
