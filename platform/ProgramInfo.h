#pragma once

#include <string>

namespace pixquarry {

// Where the running program lies.
struct ProgramInfo {
    std::string folder;   // no closing "/" except at the root
    std::string exeName;  // the executable's file name, extension included
};

}  // namespace pixquarry
