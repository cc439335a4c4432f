#pragma once

#include "platform/ProgramInfo.h"

namespace pixquarry {

// The folder and file name of the running executable.
ProgramInfo RunningProgram();

}  // namespace pixquarry
