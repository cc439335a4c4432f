#pragma once

#include <string>

namespace pixquarry {

// Where the running program lies, and what its front end knows of the user.
struct ProgramInfo {
    std::string folder;   // no closing "/" except at the root
    std::string exeName;  // the executable's file name, extension included
    // The user's pictures folder, present or not; "" when unknown. Downloads
    // go there when the program's folder is not writable.
    std::string picturesFolder = {};
    // False in a copy a package manager owns: a newer version is only
    // announced, never fetched, because the program must not replace itself.
    bool selfUpdate = true;
};

}  // namespace pixquarry
